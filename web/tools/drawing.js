// Drawing: a mode, on for a map the user makes or opens, off for one
// brought back in a new tab or opened from a link, so that looking never
// changes a map by chance; a reload keeps it as it was. While it is on,
// the tool bar shows and the picture's pointer goes to the tool in hand.
// Each tool is an object of its own file with the
// same entry points, down, move, up and cancel, and what it is: its name,
// label, keys and help (see commands.js, which lists them). One use of a
// tool is one step of the history. The shapes paint the ink (options.js),
// O or a full stop, and the right button the other; so
// does the pen's right button, whose left one toggles cells as it finds
// them. A tool may show what it would do on the overlay (preview).
import { $ } from "../page.js";
import { editing } from "../document.js";
import { DOT, O } from "../edits.js";
import { option, setOption } from "../options.js";
import { say } from "../notes.js";
import { addLayer, overlaySoon } from "../picture.js";
import { axes } from "../mirror.js";
import { inside, spotAt, select, selection, settle } from "../selection.js";
import { selectTool } from "./select.js";

// on: the mode; tool: the tool in hand; active: the tool whose press is
// under way, or null. Only this module writes them.
export const drawing = { on: false, tool: null, active: null };

let help = () => "";
let pen = null;       // the tool a map is opened with
let before = false;   // drawing when this tab's page was left last
const MODE = "gridpin-drawing";  // the mode, in the tab's own session storage

// Tells the mode's line and the help line; help() gives the help line.
export function startTools(first, helpLine) {
  help = helpLine;
  pen = first;
  try {
    before = sessionStorage.getItem(MODE) === "on";
  } catch { /* a tab with no session storage opens looking */ }
  addLayer((...args) => drawing.tool.preview?.(...args));
  addLayer((...args) => drawing.on && axes(...args));
  setTool(first);
  setDrawing(false);
}

// The mode as the tab had it before its reload.
export const resume = () => setDrawing(before);

// A map the user made or opened, in hand: drawing with the pen, the
// picture focused for the keys.
export function readyToDraw() {
  setTool(pen);
  setDrawing(true);
  $("canvas").focus();
}

export function setDrawing(on) {
  if (!on) settle();
  // A note on how to start drawing, or on what a tool did, is stale now.
  if (on !== drawing.on) say("");
  try {
    sessionStorage.setItem(MODE, on ? "on" : "off");
  } catch { /* kept for this page alone */ }
  drawing.on = on;
  $("draw").setAttribute("aria-pressed", on);
  $("tools").hidden = !on;
  document.body.classList.toggle("drawing", on);
  if (!on) select(null);
  $("mode").textContent = on ? "Drawing: the tools below change the map." : "Looking: the map stays as it is.";
  $("keys").textContent = help();
}

export function setTool(tool) {
  if (drawing.active) return;
  settle();
  drawing.tool = tool;
  for (const b of document.querySelectorAll("[data-tool]")) b.setAttribute("aria-pressed", b.dataset.tool === tool.name);
  if (!tool.holdsSelection) select(null);
  $("keys").textContent = help();
  overlaySoon();
}

export const swapInk = () => setOption("ink", option("ink") === O ? DOT : O);

// The pen's size one step larger or smaller, from 1 to 4 cells; round:
// past 4 back to 1, as its button steps.
const SIZES = 4;
export function stepSize(by, round = false) {
  const size = option("size") + by;
  setOption("size", round && size > SIZES ? 1 : Math.min(Math.max(size, 1), SIZES));
}

export const pressing = () => drawing.active !== null;

// A floating paste, whatever the tool in hand: a press inside it drags it,
// one outside it writes it and does nothing more.
const written = { down() {}, move() {}, up() {}, cancel() {} };

// The state a press paints: the ink, or with the right button the other.
export function begin(cell, e, tool = drawing.tool) {
  spotAt(cell);
  if (selection.float) tool = inside(selection.box, cell) ? selectTool : (settle(), written);
  drawing.active = tool;
  const ink = option("ink"), state = e.button === 2 ? (ink === O ? DOT : O) : ink;
  tool.down(cell, e, state);
}
export function extend(cell, e) { drawing.active?.move(cell, e); }
export function end(cell, e) {
  const tool = drawing.active;
  drawing.active = null;
  tool?.up(cell, e);
  closed(tool);
}
export function cancel() {
  const tool = drawing.active;
  drawing.active = null;
  tool?.cancel();
  closed(tool);
}
// A press ends with its tool's edit of the map committed or cancelled.
function closed(tool) {
  if (editing()) throw new Error(`${tool?.label ?? "A tool"} left its edit of the map open at the end of a press.`);
}
