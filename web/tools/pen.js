// The pen. A click or a tap toggles a cell, marked or blank, and a drag
// paints every cell it passes over with the state the first cell took
// (with the right button, the state it is given): the pointer moves faster
// than its events, and the pen fills the gaps between them with the cells
// of the line from one sample to the next. Shift+click draws that line
// from the last cell the pen painted, in the state it painted. Each event
// writes its cells at once and redraws them; the listing and all else that
// derives from the map follow when the stroke ends. A pen of size n
// paints the n × n square around each of those cells, the cell at its
// middle (left of and above the middle for an even n). With the mirror
// on, each cell is written at its images too (see mirror.js).
import { DOT, O } from "../edits.js";
import { Targets, begin, cellState } from "../document.js";
import { holdView } from "../picture.js";
import { option } from "../options.js";
import { mirrorAxis, mirrored } from "../mirror.js";

// { state: the byte it paints, last: the last cell, edit: the document's,
// open until the release, size, axis: the mirror's, as at the press }
let stroke = null;
let last = null;    // the last cell painted, and its state, for Shift+click

// The cells on the line from a to b, both ends included (Bresenham's).
export function line(a, b, each) {
  const dx = Math.abs(b.x - a.x), dy = -Math.abs(b.y - a.y);
  const sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  let { x, y } = a, err = dx + dy;
  for (;;) {
    each(x, y);
    if (x === b.x && y === b.y) return;
    const e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

function paint(from, to) {
  const targets = new Targets(), n = stroke.size, o = (n - 1) >> 1;
  line(from, to, (x, y) => {
    for (let j = 0; j < n; j++) for (let i = 0; i < n; i++) targets.push(x - o + i, y - o + j, stroke.state);
  });
  stroke.edit.write(mirrored(targets, stroke.axis));
}

export const pen = {
  name: "pen",
  label: "Pen",
  icon: "M4 20l4-1L19 8l-3-3L5 16z",
  keys: ["P"],
  help: "Click, tap or drag to paint, the right button the other state; Shift+click draws a line from the last " +
    "cell painted; {pen-smaller} and {pen-size} size the pen. Painting past the map's edge grows it.",
  touchHelp: "Tap or drag a finger to paint. Painting past the map's edge grows it.",
  down(cell, e, state) {
    holdView();
    const from = e.shiftKey && last ? last.cell : cell;
    if (e.button !== 2) state = e.shiftKey && last ? last.state : cellState(cell.x, cell.y) === 1 ? DOT : O;
    stroke = { state, last: cell, edit: begin(), size: option("size"), axis: mirrorAxis() };
    paint(from, cell);
  },
  move(cell) {
    if (cell.x === stroke.last.x && cell.y === stroke.last.y) return;
    paint(stroke.last, cell);
    stroke.last = cell;
  },
  up() {
    last = { cell: stroke.last, state: stroke.state };
    stroke.edit.commit();
    stroke = null;
  },
  // A stroke that turns out to be a pinch leaves no trace.
  cancel() {
    stroke.edit.cancel();
    stroke = null;
  },
};
