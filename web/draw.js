// Drawing: a mode, off when the page opens, so that looking never changes
// a map; while it is on, the picture's pointer and keys go to the tool in
// hand. Each tool has the same entry points, down, move, up and cancel, and
// one use of a tool is one step of the history.
import { $ } from "./page.js";
import { pen } from "./tools/pen.js";

export const drawing = { on: false, tool: pen, active: null };

export function setDrawing(on) {
  drawing.on = on;
  $("draw").setAttribute("aria-pressed", on);
  document.body.classList.toggle("drawing", on);
  $("mode").textContent = on ? "Drawing: click, tap or drag to paint." : "Looking: the map stays as it is.";
  $("keys").textContent = on
    ? "Click, tap or drag to paint; painting past the map's edge grows it. Space turns the cell under " +
      "the cursor; the arrow keys move it. Wheel, pinch or + and − zoom, the middle button or two fingers " +
      "pan, 0 fits the map."
    : "Point at a cell to see its [x,y]. Wheel, pinch or + and − zoom, a drag pans, 0 fits the map; " +
      "with the picture focused, the arrow keys move from cell to cell.";
}

export const painting = () => drawing.active !== null;

export function begin(cell, t0) {
  drawing.active = drawing.tool;
  drawing.active.down(cell, t0);
}
export function extend(cell, t0) { drawing.active?.move(cell, t0); }
export function end(t0) {
  const tool = drawing.active;
  drawing.active = null;
  tool?.up(t0);
}
export function cancel(t0) {
  const tool = drawing.active;
  drawing.active = null;
  tool?.cancel(t0);
}

// Space: the cell under the keyboard cursor, as a click would.
export function toggle(cell, t0) {
  begin(cell, t0);
  end(t0);
}
