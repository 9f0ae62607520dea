// Every tool and command of the page, each one object that says what it is
// and what it does, in one table; the buttons' titles and key shortcuts,
// the keys and the help line are all made from it. A new tool is a file
// in tools/ and a line in TOOLS.
//
// A command: name (its button's data-command), label, keys (the first
// ones shown; also: more keys that do the same), note (said after the keys
// in its title), help (its phrase in the help line), where ("page": keys
// work anywhere on the page but in a field, "anywhere": in fields too;
// else on the focused picture alone), drawing (only while drawing),
// settles (a stroke under way ends first), native (the browser's own key
// raises it: the key is told, not handled), when (may it act now: its
// button is enabled), available (its button is shown at all), why (a
// title that says why it is disabled), perform (what it does).
import { $, mac, save } from "./page.js";
import { canRedo, canUndo, map, markSaved, on, redo, undo } from "./document.js";
import { moveCursor, picture, refit, zoomBy } from "./picture.js";
import { begin, cancel, drawing, end, painting, setDrawing, setTool, startTools, swapInk } from "./tools.js";
import { blank, nudge, onSelect, orient, select, selectAll, selection } from "./selection.js";
import { canRead, copyOut, pasteIn } from "./clipboard.js";
import { crop, resize } from "./reshape.js";
import { newMap } from "./open.js";
import { download } from "./listing.js";
import { share } from "./share.js";
import { openMaps } from "./maps.js";
import { copyForm, downloadForm, startForms, unready } from "./forms.js";
import { pen } from "./tools/pen.js";
import { lineTool, rectangle } from "./tools/shapes.js";
import { fill } from "./tools/fill.js";
import { selectTool } from "./tools/select.js";

const TOOLS = [pen, lineTool, rectangle, fill, selectTool];

const selected = () => !!selection.box;
const ARROWS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };

const COMMANDS = [
  ...TOOLS.map((tool) => ({ ...tool, tool, drawing: true, perform: () => setTool(tool) })),
  // Not in the middle of a stroke.
  { name: "undo", label: "Undo", keys: ["Mod+Z"], where: "page", when: canUndo, perform: () => painting() || undo() },
  { name: "redo", label: "Redo", keys: mac ? ["Mod+Shift+Z"] : ["Mod+Shift+Z", "Mod+Y"], where: "page",
    when: canRedo, perform: () => painting() || redo() },
  { name: "save", label: "Save map", keys: ["Mod+S"], where: "anywhere", settles: true, when: () => !map.cut,
    why: () => `Only the first ${(map.bytes.length).toLocaleString("en")} bytes of ${map.name} are in the page`,
    perform() {
      save(map.bytes, map.name);
      markSaved();
    } },
  { name: "new", label: "New map", perform: newMap },
  { name: "maps", label: "Maps kept in this browser", keys: ["M"], where: "page", perform: openMaps },
  { name: "open", label: "Open a map or a picture", keys: ["Mod+O"], where: "page", perform: () => $("file").click() },
  { name: "download", label: "Download the listing", settles: true, perform: download },
  { name: "share", label: "Link to this map", settles: true, perform: share },
  { name: "form-download", label: "Download the map in the form chosen", settles: true, when: () => !unready(),
    why: () => unready(), perform: downloadForm },
  { name: "form-copy", label: "Copy the map in the form chosen, as text", settles: true, when: () => !unready(true),
    why: () => unready(true), perform: copyForm },
  { name: "draw", label: "Draw", perform: () => setDrawing(!drawing.on) },
  { name: "zoom-in", label: "Zoom in", keys: ["+"], also: ["="], perform: () => zoomBy(1.5) },
  { name: "zoom-out", label: "Zoom out", keys: ["-"], perform: () => zoomBy(1 / 1.5) },
  { name: "fit", label: "Fit the map", keys: ["0"], perform: refit },
  { name: "arrows", label: "Move the cursor, or the selection while drawing", keys: Object.keys(ARROWS),
    perform(e) {
      const [dx, dy] = ARROWS[e.key];
      if (drawing.on && selection.box) nudge(dx, dy);
      else moveCursor(dx, dy);
    } },
  { name: "toggle", label: "Toggle the cell under the cursor", keys: ["Space"], drawing: true,
    help: "Space toggles the cell under the cursor, the arrow keys move it",
    perform() {
      if (!picture.cursor) return moveCursor(0, 0);
      begin(picture.cursor, { button: 0 }, pen);
      end(picture.cursor, {});
    } },
  { name: "escape", label: "Drop the shape under way, or the selection", keys: ["Escape"], drawing: true,
    perform: () => painting() ? cancel() : select(null) },
  { name: "ink", label: "What Line and Rectangle paint; the right button paints the other", keys: ["X"], drawing: true,
    help: "X swaps the ink", perform: swapInk },
  { name: "select-all", label: "Select the whole map", keys: ["Mod+A"], drawing: true,
    perform() {
      setTool(selectTool);
      selectAll();
    } },
  { name: "copy", label: "Copy", keys: ["Mod+C"], native: true, when: selected, perform: () => copyOut(false) },
  { name: "cut", label: "Cut", keys: ["Mod+X"], native: true, when: selected, perform: () => copyOut(true) },
  { name: "paste", label: "Paste", keys: ["Mod+V"], native: true, available: canRead, perform: pasteIn },
  { name: "delete", label: "Blank the selection", keys: ["Delete", "Backspace"], drawing: true, when: selected, perform: blank },
  { name: "mirror-h", label: "Flip horizontally", keys: ["Shift+H"], drawing: true,
    note: "the whole map when nothing is selected", perform: () => orient("across") },
  { name: "mirror-v", label: "Flip vertically", keys: ["Shift+V"], drawing: true,
    note: "the whole map when nothing is selected", perform: () => orient("down") },
  { name: "rotate", label: "Rotate 90° clockwise", keys: ["Shift+R"], drawing: true,
    note: "the whole map when nothing is selected", perform: () => orient("rotate") },
  { name: "crop", label: "Crop the map to the selection", when: selected, perform: () => crop(selection.box) },
  { name: "resize", label: "Resize the map", perform: resize },
];

// A key as written in the table: modifiers, then the key, joined by "+"
// ("Mod" is Ctrl, or ⌘ on a Mac).
function parse(spec) {
  const parts = spec === "+" ? ["+"] : spec.split("+");
  const key = parts.pop();
  return { key, mod: parts.includes("Mod"), shift: parts.includes("Shift") };
}

// A letter's key is told by its letter, and Shift must be as written;
// another key by its name, Shift as it may fall (+ is a shifted = on many
// keyboards). Ctrl or ⌘ must be as written; Alt never.
function matches(spec, e) {
  const { key, mod, shift } = parse(spec);
  if (e.altKey || (mac ? e.metaKey : e.ctrlKey) !== mod || (mac ? e.ctrlKey : e.metaKey)) return false;
  if (/^[A-Z]$/.test(key)) return e.key.toUpperCase() === key && e.shiftKey === shift;
  return (e.key === " " ? "Space" : e.key) === key && (!shift || e.shiftKey);
}

const GLYPHS = { ArrowLeft: "←", ArrowRight: "→", ArrowUp: "↑", ArrowDown: "↓", "-": "−" };
function keyText(spec) {
  const { key, mod, shift } = parse(spec), k = GLYPHS[key] ?? key;
  return mac ? `${shift ? "⇧" : ""}${mod ? "⌘" : ""}${k}` : `${mod ? "Ctrl+" : ""}${shift ? "Shift+" : ""}${k}`;
}
function ariaKey(spec) {
  const { key, mod, shift } = parse(spec);
  return [mod && (mac ? "Meta" : "Control"), shift && "Shift", key === "+" ? "Plus" : key].filter(Boolean).join("+");
}

const button = (c) => c.tool ? document.querySelector(`[data-tool="${c.name}"]`)
  : document.querySelector(`[data-command="${c.name}"]`);

function run(c, e) {
  if (c.drawing && !drawing.on) return;
  if (c.settles && painting()) end(null, {});
  if (!c.when || c.when()) c.perform(e);
}
const command = (name) => COMMANDS.find((c) => c.name === name);

function key(e) {
  const inField = e.target instanceof HTMLInputElement || e.target instanceof HTMLSelectElement ||
    (e.target instanceof HTMLTextAreaElement && !e.ctrlKey && !e.metaKey);
  const onPicture = e.target === $("canvas");
  for (const c of COMMANDS) {
    if (c.native || !(c.where === "anywhere" || (c.where === "page" && !inField) || (!c.where && onPicture))) continue;
    if (c.drawing && !drawing.on) continue;
    if (![...(c.keys ?? []), ...(c.also ?? [])].some((spec) => matches(spec, e))) continue;
    e.preventDefault();
    run(c, e);
    return;
  }
}

// Enabled, shown, and titled as they may act now.
function showButtons() {
  for (const c of COMMANDS) {
    const b = button(c);
    if (!b) continue;
    if (c.available) b.hidden = !c.available();
    if (!c.when || c.tool) continue;
    b.disabled = !c.when();
    if (c.why) b.title = b.disabled ? c.why() : c.keys ? title(c) : "";
  }
}
const title = (c) => `${c.label}${c.keys ? ` (${c.keys.map(keyText).join(" or ")})` : ""}${c.note ? `; ${c.note}` : ""}`;

// The help line: the tool in hand's, and the keys that work now.
function helpLine() {
  const view = "Wheel, pinch or + and − zoom";
  if (!drawing.on) {
    return `Point at a cell to see its [x,y]. ${view}, a drag pans, 0 fits the map; ` +
      "with the picture focused, the arrow keys move from cell to cell.";
  }
  const picks = TOOLS.map((t) => keyText(t.keys[0]));
  const phrases = COMMANDS.filter((c) => c.help && !c.tool).map((c) => c.help);
  return `${drawing.tool.help} Painting past the map's edge grows it; the right button paints the other state. ` +
    `${picks.slice(0, -1).join(", ")} and ${picks.at(-1)} pick a tool, ${phrases.join("; ")}. ` +
    `${view}, the middle button or two fingers pan, 0 fits the map.`;
}

export function startCommands() {
  // A button for each tool, in the table's order.
  $("tool-picks").replaceChildren(...TOOLS.map((tool) => {
    const b = Object.assign(document.createElement("button"), { type: "button", textContent: tool.label });
    b.dataset.tool = tool.name;
    return b;
  }));
  for (const c of COMMANDS) {
    const b = button(c);
    if (!b) continue;
    b.addEventListener("click", (e) => run(c, e));
    if (c.keys || c.note) b.title = title(c);
    const keys = (c.keys ?? []).filter((spec) => !/^Arrow/.test(spec));
    if (keys.length) b.setAttribute("aria-keyshortcuts", keys.map(ariaKey).join(" "));
  }
  document.addEventListener("keydown", key);
  // Undo and redo are the page's in the text box too, where the browser's
  // own would know nothing of painting.
  $("text").addEventListener("beforeinput", (e) => {
    if (e.inputType !== "historyUndo" && e.inputType !== "historyRedo") return;
    e.preventDefault();
    run(command(e.inputType === "historyUndo" ? "undo" : "redo"), e);
  });
  startTools(pen, helpLine);
  on("updated", showButtons);
  onSelect(showButtons);
  startForms(showButtons);
}
