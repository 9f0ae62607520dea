// Drawing: a mode, off when the page opens, so that looking never changes
// a map; while it is on, the tool bar shows and the picture's pointer and
// keys go to the tool in hand: Pen, Line, Rectangle, Fill or Select. Each
// has the same entry points, down, move, up and cancel, and one use of a
// tool is one step of the history. Line and Rectangle paint what the ink
// control shows, O or a full stop, and the right button the other; so
// does the pen's right button, whose left one turns cells as it finds them.
import { $ } from "./page.js";
import { DOT, O } from "./map.js";
import { marksSoon } from "./picture.js";
import { pen } from "./tools/pen.js";
import { lineTool, rectangle } from "./tools/shapes.js";
import { fill } from "./tools/fill.js";
import { select, selectTool } from "./tools/select.js";

const TOOLS = { pen, line: lineTool, rectangle, fill, select: selectTool };
export const KEYS = { p: "pen", l: "line", r: "rectangle", f: "fill", s: "select" };
export const drawing = { on: false, tool: "pen", active: null, ink: O };

const HELP = {
  pen: "Click, tap or drag to paint; Shift+click draws a line from the last cell painted.",
  line: "Drag from the first cell to the last; Esc drops the line.",
  rectangle: "Drag from corner to corner; Shift at the release, or filled, fills it; Esc drops it.",
  fill: "Click a cell: it and every cell joined to it in its state turn to the other.",
  select: "Drag a box; drag inside it to move it, or the arrow keys; Ctrl+A selects the whole map, Esc nothing.",
};

export function setDrawing(on) {
  drawing.on = on;
  $("draw").setAttribute("aria-pressed", on);
  $("tools").hidden = !on;
  document.body.classList.toggle("drawing", on);
  if (!on) select(null);
  $("mode").textContent = on ? "Drawing: the tools below change the map." : "Looking: the map stays as it is.";
  showHelp();
}

function showHelp() {
  $("keys").textContent = drawing.on
    ? `${HELP[drawing.tool]} Painting past the map's edge grows it; the right button paints the other state. ` +
      "P, L, R, F and S pick a tool, X swaps the ink; Space turns the cell under the cursor, the arrow keys move " +
      "it. Wheel, pinch or + and − zoom, the middle button or two fingers pan, 0 fits the map."
    : "Point at a cell to see its [x,y]. Wheel, pinch or + and − zoom, a drag pans, 0 fits the map; " +
      "with the picture focused, the arrow keys move from cell to cell.";
}

export function setTool(name) {
  if (drawing.active) return;
  drawing.tool = name;
  for (const b of document.querySelectorAll("[data-tool]")) b.setAttribute("aria-pressed", b.dataset.tool === name);
  if (name !== "select") select(null);
  showHelp();
  marksSoon();
}

export function swapInk() {
  drawing.ink = drawing.ink === O ? DOT : O;
  showInk();
}

function showInk() {
  $("ink").textContent = drawing.ink === O ? "Paints O" : "Paints .";
  $("ink").setAttribute("aria-label", `Line and Rectangle paint ${drawing.ink === O ? "marked" : "blank"} cells; swap`);
}

export const painting = () => drawing.active !== null;

// The state a press paints: the ink, or with the right button the other.
export function begin(cell, e, t0) {
  drawing.active = TOOLS[drawing.tool];
  const state = e.button === 2 ? (drawing.ink === O ? DOT : O) : drawing.ink;
  drawing.active.down(cell, e, state, t0);
}
export function extend(cell, e, t0) { drawing.active?.move(cell, e, t0); }
export function end(cell, e, t0) {
  const tool = drawing.active;
  drawing.active = null;
  tool?.up(cell, e, t0);
}
export function cancel(t0) {
  const tool = drawing.active;
  drawing.active = null;
  tool?.cancel(t0);
}

// Space: the cell under the keyboard cursor, as the pen's click would.
export function toggle(cell, t0) {
  const tool = drawing.tool;
  drawing.tool = "pen";
  begin(cell, { button: 0 }, t0);
  end(cell, {}, t0);
  drawing.tool = tool;
}

export function startTools() {
  for (const b of document.querySelectorAll("[data-tool]")) b.addEventListener("click", () => setTool(b.dataset.tool));
  $("ink").addEventListener("click", swapInk);
  showInk();
  setTool("pen");
  select(null);
}
