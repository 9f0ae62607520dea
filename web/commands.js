// Every tool and command of the page, each one object that says what it is
// and what it does, in one table; the buttons' words, accessible names,
// titles and key shortcuts, the keys and the help line are all made from
// it, and the page's HTML holds none of them. A new tool is a file in
// tools/ and a line in TOOLS.
//
// A command: name (its control's data-command), label (what it does, its
// title's first words), text (the words its button shows, where they are
// not the label), shows (for an option: the words its button shows now,
// and what they mean), checked (for a switch: is it on), keys (the first
// ones shown; also: more keys that do the same), note (said after the keys
// in its title), help (its phrase in the help line), where ("picture":
// keys work on the focused picture alone, "anywhere": in text fields and
// dialogs too; else wherever the focus is but there), drawing (only while
// drawing), settles (a stroke under way ends first, and a floating paste is
// written), native (the browser's own key raises it: the key is told, not
// handled), when (may it act now: its button is enabled), available (its
// button is shown at all), why (a title that says why it is disabled),
// icon (an SVG path on a 24-pixel square, for the dock and a phone's top
// bar), perform (what it
// does). In prose (note, help, and the tools' own), {name} is the key of
// the command so named, {name*} all its keys, {name:KEY} that key of it,
// {Mod} Ctrl or ⌘ (keys.js); no prose names a key otherwise.
import { $, mac, save } from "./page.js";
import { canRedo, canUndo, map, markSaved, on, redo, undo } from "./document.js";
import { O } from "./edits.js";
import { onOption, option, setOption } from "./options.js";
import { moveCursor, picture, refit, zoomBy } from "./picture.js";
import { begin, cancel, drawing, end, extend, pressing, setDrawing, setTool, startTools, stepSize, swapInk } from "./tools/drawing.js";
import { say } from "./notes.js";
import { blank, drop, extendTo, flip, nudge, onSelect, rotate, spotAt, selectAll, selection, settle } from "./selection.js";
import { canRead, copyOut, pasteIn } from "./clipboard.js";
import { crop, resize } from "./reshape.js";
import { newMap } from "./open.js";
import { copyListing, download } from "./listing.js";
import { share } from "./share.js";
import { openMaps } from "./maps.js";
import { showSheet } from "./layout.js";
import { chosen, copyForm, downloadForm, startForms, unready } from "./formbar.js";
import { cycleMirror, mirrorMode } from "./mirror.js";
import { gridEvery, stepGrid } from "./rulers.js";
import { ariaKey, keyText, parse, sharedKey, useTable, withKeys } from "./keys.js";
import { pen } from "./tools/pen.js";
import { lineTool } from "./tools/line.js";
import { rectangle } from "./tools/rectangle.js";
import { ellipseTool } from "./tools/ellipse.js";
import { fill } from "./tools/fill.js";
import { selectTool } from "./tools/select.js";

const TOOLS = [pen, lineTool, rectangle, ellipseTool, fill, selectTool];

const selected = () => !!selection.box;
const WHOLE = "the whole map when nothing is selected";
const ARROWS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
const arrowKeys = (shift) => Object.keys(ARROWS).map((k) => shift ? `Shift+${k}` : k);

// The keyboard cursor moved; a shape or a box under way follows it.
function moveBy(e) {
  moveCursor(...ARROWS[e.key.replace(/^Shift\+/, "")]);
  spotAt(picture.cursor);
}

const COMMANDS = [
  ...TOOLS.map((tool) => ({ ...tool, tool, perform() {
    setTool(tool);
    setDrawing(true);
  } })),
  // Not in the middle of a stroke; a floating paste is undone by dropping it.
  { name: "undo", label: "Undo", keys: ["Mod+Z"], when: () => canUndo() || !!selection.float,
    icon: "M9 14L4 9l5-5M4 9h11a5 5 0 010 10h-3", perform: () => pressing() || (selection.float ? drop() : undo()) },
  { name: "redo", label: "Redo", keys: mac ? ["Mod+Shift+Z"] : ["Mod+Shift+Z", "Mod+Y"], when: canRedo,
    icon: "M15 14l5-5-5-5M20 9H9a5 5 0 000 10h3", perform: () => pressing() || settle() || redo() },
  { name: "save", label: "Save map", keys: ["Mod+S"], where: "anywhere", settles: true, when: () => !map().cut,
    icon: "M5 4h11l3 3v13H5zM8 4v5h7V4M8 20v-6h8v6",
    why: () => `Only the first ${(map().bytes.length).toLocaleString("en")} bytes of ${map().name} are in the page`,
    perform() {
      save(map().bytes, map().name);
      markSaved();
    } },
  { name: "new", label: "New map", icon: "M6 3h8l4 4v14H6zM14 3v4h4M12 10v7M8.5 13.5h7", perform: newMap },
  { name: "maps", label: "Maps kept in this browser", text: "Maps…", keys: ["M"], where: "page",
    icon: "M4 4h7v7H4zM13 4h7v7h-7zM4 13h7v7H4zM13 13h7v7h-7z", perform: openMaps },
  { name: "open", label: "Open a map or an image", text: "Open…", keys: ["Mod+O"], where: "page",
    icon: "M3 6h6l2 2h10v11H3zM3 11h18", perform: () => $("file").click() },
  { name: "more", label: "The map's text, its listing and its other forms", text: "More", icon: "M4 6h16M4 12h16M4 18h16",
    perform: () => showSheet() },
  { name: "download", label: "Download the listing", text: "Download", settles: true, perform: download },
  { name: "copy-listing", label: "Copy the listing", text: "Copy listing", settles: true, perform: copyListing },
  { name: "share", label: "Link to this map", settles: true, perform: share },
  { name: "form-download", label: "Download the map in the form chosen", shows: () => [`Download ${chosen().title}`],
    settles: true, when: () => !unready(),
    why: () => unready(), perform: downloadForm },
  { name: "form-copy", label: "Copy the map in the form chosen, as text", shows: () => [`Copy ${chosen().title} as text`],
    settles: true, when: () => !unready(true),
    why: () => unready(true), perform: copyForm },
  { name: "draw", label: "Draw", keys: ["D"], perform: () => setDrawing(!drawing.on) },
  { name: "zoom-in", label: "Zoom in", text: "+", keys: ["+"], also: ["="], perform: () => zoomBy(1.5) },
  { name: "zoom-out", label: "Zoom out", text: "−", keys: ["-"], perform: () => zoomBy(1 / 1.5) },
  { name: "fit", label: "Fit the map", text: "Fit", keys: ["0"], perform: refit },
  { name: "grid", label: "A heavier grid line every 4, 5, 8, 10 or 16 cells, or none", keys: ["G"], perform: stepGrid,
    shows: () => gridEvery() ? [`Grid ${gridEvery()}`, `a heavier line every ${gridEvery()} cells`] : ["Grid off", "no heavier lines"] },
  { name: "extend", label: "Select from the cursor", keys: arrowKeys(true), where: "picture", drawing: true,
    help: "{extend*} select",
    perform(e) {
      if (pressing()) return;
      const from = picture.cursor;
      moveBy(e);
      if (!from) return;
      setTool(selectTool);
      extendTo(picture.cursor, from);
    } },
  { name: "arrows", label: "Move the cursor, or the selection while drawing", keys: arrowKeys(false), where: "picture",
    perform(e) {
      if (pressing()) {
        moveBy(e);
        extend(picture.cursor, {});
      } else if (drawing.on && selection.box) {
        nudge(...ARROWS[e.key]);
      } else {
        moveBy(e);
      }
    } },
  // The tool in hand at the keyboard cursor: a click's tools at one press,
  // a drag's from one press to the next. Enter writes a floating paste.
  { name: "use", label: "Use the tool at the cursor", keys: ["Space", "Enter"], where: "picture", drawing: true,
    help: "{use*} uses the tool at the cursor, {arrows*} move it",
    perform(e) {
      if (e.key === "Enter" && settle()) return;
      const c = picture.cursor;
      if (!c) {
        moveCursor(0, 0);
        return spotAt(picture.cursor);
      }
      if (pressing()) return end(c, {});
      begin(c, { button: 0 });
      if (!drawing.active?.drag) end(c, {});
    } },
  { name: "escape", label: "Drop the shape under way, the paste or the selection", keys: ["Escape"], drawing: true,
    perform: () => pressing() ? cancel() : drop() },
  { name: "ink", label: "What Line, Rectangle and Ellipse paint; the right button paints the other", keys: ["X"], drawing: true,
    shows: () => option("ink") === O ? ["Paints O", "marked cells"] : ["Paints .", "blank cells"],
    help: "{ink} swaps the ink", perform: swapInk },
  { name: "pen-size", label: "The pen's size, 1 to 4 cells square: larger", keys: ["]"], note: "{pen-smaller} smaller", drawing: true,
    shows: () => [`Pen ${option("size")}`, `${option("size")} × ${option("size")} cells`],
    perform: (e) => stepSize(1, e?.type === "click") },
  { name: "pen-smaller", label: "The pen's size: smaller", keys: ["["], drawing: true, perform: () => stepSize(-1) },
  { name: "mirror", label: "Mirrored drawing: off, left–right, top–bottom, both", keys: ["Y"], drawing: true,
    shows: () => [`Mirror ${mirrorMode().sign}`, `mirrored drawing ${mirrorMode().name}`],
    note: "the pen, the shapes and Fill paint at the mirror images too", help: "{mirror} mirrors", perform: cycleMirror },
  { name: "filled", label: "Line's, Rectangle's and Ellipse's shapes filled, as Shift at the release fills them", text: "filled",
    drawing: true, checked: () => option("filled"), perform: () => setOption("filled", !option("filled")) },
  { name: "blanks", label: "A paste's blank cells written over the map, not only its marked ones", text: "blank cells paste too",
    drawing: true, checked: () => option("blanks"), perform: () => setOption("blanks", !option("blanks")) },
  { name: "select-all", label: "Select the whole map", keys: ["Mod+A"], drawing: true,
    perform() {
      setTool(selectTool);
      selectAll();
    } },
  { name: "copy", label: "Copy", keys: ["Mod+C"], native: true, when: selected,
    icon: "M9 9h11v11H9zM5 15H4V4h11v1", perform: () => copyOut(false, keysOf("copy")) },
  { name: "cut", label: "Cut", keys: ["Mod+X"], native: true, when: selected,
    icon: "M6 4a2.5 2.5 0 100 5 2.5 2.5 0 000-5zM6 15a2.5 2.5 0 100 5 2.5 2.5 0 000-5zM8.5 8L20 17M8.5 16L20 7",
    perform: () => copyOut(true, keysOf("cut")) },
  { name: "paste", label: "Paste", keys: ["Mod+V"], native: true, available: canRead,
    icon: "M9 3h6v3H9zM7 5H5v16h14V5h-2", perform: () => pasteIn(keysOf("paste")) },
  { name: "delete", label: "Blank the selection", text: "Delete", keys: ["Delete", "Backspace"], drawing: true, when: selected,
    icon: "M5 7h14M10 7V4h4v3M6 7l1 13h10l1-13", perform: blank },
  { name: "flip-h", label: "Flip horizontally", text: "Flip ↔", keys: ["Shift+H"], drawing: true, note: WHOLE,
    icon: "M12 3v18M9 7l-5 5 5 5zM15 7l5 5-5 5z", perform: () => flip(true) },
  { name: "flip-v", label: "Flip vertically", text: "Flip ↕", keys: ["Shift+V"], drawing: true, note: WHOLE,
    icon: "M3 12h18M7 9l5-5 5 5zM7 15l5 5 5-5z", perform: () => flip(false) },
  { name: "rotate", label: "Rotate 90° clockwise", text: "Rotate ↻", keys: ["Shift+R"], drawing: true, note: WHOLE,
    icon: "M20 12a8 8 0 11-2.3-5.7M20 4v5h-5", perform: () => rotate() },
  { name: "crop", label: "Crop the map to the selection", text: "Crop", when: selected,
    icon: "M6 2v16h16M2 6h16v16", perform: () => crop(selection.box) },
  { name: "resize", label: "Resize the map", text: "Resize…", icon: "M4 9V4h5M20 15v5h-5M4 4l7 7M20 20l-7-7", perform: resize },
];
useTable(COMMANDS, mac);

// A letter's key is told by its letter, and Shift must be as written;
// another key by its name, Shift as it may fall (+ is a shifted = on many
// keyboards). Ctrl or ⌘ must be as written; Alt never.
function matches(combo, e) {
  const { key, mod, shift } = parse(combo);
  if (e.altKey || (mac ? e.metaKey : e.ctrlKey) !== mod || (mac ? e.ctrlKey : e.metaKey)) return false;
  if (/^[A-Z]$/.test(key)) return e.key.toUpperCase() === key && e.shiftKey === shift;
  return (e.key === " " ? "Space" : e.key) === key && (!shift || e.shiftKey);
}

const command = (name) => COMMANDS.find((c) => c.name === name);
// Prose with its keys, as this platform writes them.
const prose = (text) => withKeys(text, COMMANDS, mac);
// A command's first key, as prose names it ("Ctrl+C", "⌘C").
const keysOf = (name) => keyText(command(name).keys[0], mac);
// A command as prose names it: its button's words and its key, "Save map (Ctrl+S)".
export const said = (name) => `${face(command(name)).text}${command(name).keys ? ` (${keysOf(name)})` : ""}`;

// The words a control shows and its accessible name, which begins with
// them, so that whoever speaks to the page can say what they see: an
// option's words and what they mean now; a sign's (−, +) its label; else
// its words alone, the label and keys being its title.
function face(c) {
  if (c.shows) {
    const [text, means] = c.shows();
    return { text, name: means ? `${text}: ${means}` : null };
  }
  const text = c.text ?? c.label;
  return { text, name: /\p{L}/u.test(text) ? null : c.label };
}

// A control's words and name as its command says now: a button's own
// text (or, in the dock, the words beside its icon), a switch's the words
// after its box, which is checked as the option is.
function showFace(c, b) {
  const { text, name } = face(c);
  const words = b.type === "checkbox" ? b.nextElementSibling : b.querySelector(".label") ?? b;
  if (words.textContent !== text) words.textContent = text;
  if (name) b.setAttribute("aria-label", name);
  else b.removeAttribute("aria-label");
  if (c.checked) b.checked = c.checked();
}

// An icon before a button's words, which stay its name for whoever cannot
// see it; in the dock the icon alone shows.
function decorate(b, icon) {
  const label = Object.assign(document.createElement("span"), { className: "label" });
  label.append(...b.childNodes);
  const svg = document.createElementNS("http://www.w3.org/2000/svg", "svg"), path = document.createElementNS(svg.namespaceURI, "path");
  svg.setAttribute("viewBox", "0 0 24 24");
  svg.setAttribute("aria-hidden", "true");
  path.setAttribute("d", icon);
  svg.append(path);
  b.replaceChildren(svg, label);
}

const buttons = (c) => document.querySelectorAll(c.tool ? `[data-tool="${c.name}"]` : `[data-command="${c.name}"]`);

function run(c, e) {
  if (c.drawing && !drawing.on) return;
  if (c.settles && pressing()) end(null, {});
  if (c.settles) settle();
  if (!c.when || c.when()) c.perform(e);
}

// Inputs that take no text: their keys are clicks (Space, Enter), which no
// command but the picture's takes.
const CLICKED = /^(button|checkbox|radio|file|submit|reset|image|color|range)$/;

// A text field's keys are its own (but Ctrl's and ⌘'s in the text box,
// where undo and redo are the page's), as an open dialog's are; the
// cursor's keys are the focused picture's.
function key(e) {
  const t = e.target, aside = !!document.querySelector("dialog[open]") || t.isContentEditable ||
    t instanceof HTMLSelectElement || (t instanceof HTMLInputElement && !CLICKED.test(t.type)) ||
    (t instanceof HTMLTextAreaElement && !e.ctrlKey && !e.metaKey);
  const onPicture = t === $("canvas");
  for (const c of COMMANDS) {
    if (c.native || !(c.where === "anywhere" || (c.where === "picture" ? onPicture : !aside))) continue;
    if (c.drawing && !drawing.on) continue;
    if (![...(c.keys ?? []), ...(c.also ?? [])].some((combo) => matches(combo, e))) continue;
    e.preventDefault();
    run(c, e);
    return;
  }
}

// Enabled, shown, worded and titled as they may act now.
function showButtons() {
  for (const c of COMMANDS) {
    for (const b of buttons(c)) {
      if (c.shows || c.checked) showFace(c, b);
      if (c.available) b.hidden = !c.available();
      if (!c.when || c.tool) continue;
      b.disabled = !c.when();
      if (c.why) b.title = b.disabled ? c.why() : c.keys ? title(c) : "";
    }
  }
}
const title = (c) => `${c.label}${c.keys ? ` (${c.keys.map((k) => keyText(k, mac)).join(" or ")})` : ""}${c.note ? `; ${prose(c.note)}` : ""}`;
// The table, and how its controls are worded, for the Node test.
export { COMMANDS, face, title };

// The help line: the tool in hand's, and the keys that work now; on a
// touch screen, what fingers do.
const touch = matchMedia("(pointer: coarse)");
function helpLine() {
  if (touch.matches) {
    const fit = face(command("fit")).text;
    return drawing.on ? `${prose(drawing.tool.touchHelp)} Pinch to zoom, two fingers pan, ${fit} fits the map.`
      : `Tap a cell to see its [x,y]. Pinch to zoom, a finger pans, ${fit} fits the map.`;
  }
  const view = prose("Wheel, pinch or {zoom-in} and {zoom-out} zoom");
  if (!drawing.on) {
    return prose(`Point at a cell to see its [x,y]. ${view}, a drag pans, {fit} fits the map; ` +
      "with the picture focused, {arrows*} move from cell to cell. {draw} or a tool's key draws.");
  }
  const picks = TOOLS.map((t) => keyText(t.keys[0], mac));
  const phrases = COMMANDS.filter((c) => c.help && !c.tool).map((c) => c.help);
  return prose(`${drawing.tool.help} ${picks.slice(0, -1).join(", ")} and ${picks.at(-1)} pick a tool, ` +
    `${phrases.join("; ")}. ${view}, the middle button or two fingers pan, {fit} fits the map.`);
}

export function startCommands() {
  const shared = sharedKey(COMMANDS);
  if (shared) throw new Error(`Two commands share a key, ${shared}`);
  // A button for each tool, in the table's order.
  $("tool-picks").replaceChildren(...TOOLS.map((tool) => {
    const b = Object.assign(document.createElement("button"), { type: "button", textContent: tool.label });
    b.dataset.tool = tool.name;
    return b;
  }));
  startForms(showButtons);
  // Every prose of the table read once now: a name it does not hold
  // stops the page here, not in the middle of a help line.
  for (const c of COMMANDS) for (const text of [c.note, c.help, c.touchHelp]) if (text) prose(text);
  for (const c of COMMANDS) {
    const keys = (c.keys ?? []).filter((combo) => !/Arrow/.test(combo));
    for (const b of buttons(c)) {
      if (b.type === "checkbox") b.after(document.createElement("span"));
      showFace(c, b);
      if (c.icon && b.closest("#dock, #topbar")) decorate(b, c.icon);
      b.addEventListener("click", (e) => {
        run(c, e);
        if (c.checked) showFace(c, b);
      });
      if (c.keys || c.note || c.icon || c.text || c.shows) b.title = title(c);
      if (keys.length) b.setAttribute("aria-keyshortcuts", keys.map((k) => ariaKey(k, mac)).join(" "));
    }
  }
  document.addEventListener("keydown", key);
  // The skip links focus what they name, the address staying as it is.
  for (const a of document.querySelectorAll("a.skip")) {
    a.addEventListener("click", (e) => {
      e.preventDefault();
      $(a.hash.slice(1)).focus();
    });
  }
  // Whatever closed a dialog, the keys go back to the picture.
  document.addEventListener("close", (e) => e.target instanceof HTMLDialogElement && $("canvas").focus(), true);
  // Looking, a press on the picture says how to start drawing.
  $("canvas").addEventListener("pointerdown", (e) => {
    const draw = face(command("draw")).text;
    if (drawing.on || e.button !== 0) return;
    say(e.pointerType === "touch" ? `Tap ${draw} to draw` : prose(`Press ${draw}, or {draw}, to draw`));
  });
  // Undo and redo are the page's in the text box too, where the browser's
  // own would know nothing of painting.
  $("text").addEventListener("beforeinput", (e) => {
    if (e.inputType !== "historyUndo" && e.inputType !== "historyRedo") return;
    e.preventDefault();
    run(command(e.inputType === "historyUndo" ? "undo" : "redo"), e);
  });
  startTools(pen, helpLine);
  onOption(showButtons);
  on("converted", showButtons);
  on("name", showButtons);
  onSelect(showButtons);
}
