// The pen. While drawing, a click or a tap turns a cell marked or blank,
// and a drag paints every cell it passes over with the state the first
// cell took. A cell is one byte of the map text, O or a full stop, found
// where the conversion laid it out; no other byte is touched. Painting
// past a row's end or below the last row grows the map with blank cells up
// to the one painted. A whole stroke is one step to undo.
import { $ } from "./page.js";
import { CAPACITY } from "./conversion.js";
import { DOT, O, apply, blanks, inverse, lineEnd, map } from "./map.js";
import { cellState, isRefused, picture, rowLength } from "./picture.js";
import { commit, reconvert, refresh } from "./edit.js";

let stroke = null;  // { state: the byte it paints, last: the last cell, edits }

export const pen = { on: false };

export function setDrawing(on) {
  pen.on = on;
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

export const painting = () => stroke !== null;

export function begin(cell, t0) {
  picture.view.fit = false;  // the cells stay under the pen, whatever it adds
  stroke = { state: cellState(cell) === 1 ? DOT : O, last: cell, edits: [] };
  paint([cell], t0);
}

export function extend(cell, t0) {
  if (!stroke || (cell.x === stroke.last.x && cell.y === stroke.last.y)) return;
  paint(line(stroke.last, cell).slice(1), t0);
  stroke.last = cell;
}

export function end() {
  if (!stroke) return;
  const { edits } = stroke;
  stroke = null;
  commit(edits);
}

// A stroke that turns out to be a pinch leaves no trace.
export function cancel(t0) {
  if (!stroke) return;
  const { edits } = stroke;
  stroke = null;
  for (let i = edits.length - 1; i >= 0; i--) apply(inverse(edits[i]));
  if (edits.length > 0) refresh(t0);
}

export function toggle(cell, t0) {
  begin(cell, t0);
  end();
}

// The cells on the line from a to b, both included: the pointer moves
// faster than its events, and the pen fills the gaps between them.
function line(a, b) {
  const cells = [], dx = Math.abs(b.x - a.x), dy = -Math.abs(b.y - a.y);
  const sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  let { x, y } = a, err = dx + dy;
  for (;;) {
    cells.push({ x, y });
    if (x === b.x && y === b.y) return cells;
    const e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

// An O put for a full stop or back leaves every cell where it was; any
// other edit moves cells, and the next cell is found in the map anew.
function paint(cells, t0) {
  let changed = false, moved = false;
  for (const cell of cells) {
    if (moved) reconvert();
    const edit = editFor(cell, stroke.state);
    moved = !!edit?.reshapes;
    if (!edit) continue;
    apply(edit);
    stroke.edits.push(edit);
    changed = true;
  }
  if (changed) refresh(t0);
}

function editFor(cell, state) {
  const { out, pic } = picture;
  const put = (at) => ({ at, removed: map.bytes.slice(at, at + 1), inserted: Uint8Array.of(state) });
  if (cellState(cell) !== null) {
    const at = pic.cellAt[pic.rowStart[cell.y] + cell.x];
    return map.bytes[at] === state ? null : put(at);
  }
  // Mending a refused map: its refused byte becomes a cell.
  if (isRefused(cell)) return { ...put(out.at), reshapes: true };
  // Past the map: a refused map has no known end, and a blank cell there is what is there already.
  if (out.refused || state === DOT || cell.x < 0 || cell.y < 0) return null;
  let at, inserted;
  if (cell.y < pic.rows) {
    // The row filled out before its line end, and before the CR of a CR LF.
    at = pic.rowEnd[cell.y];
    if (at > 0 && map.bytes[at] === 10 && map.bytes[at - 1] === 13) at--;
    inserted = blanks(cell.x - rowLength(cell.y) + 1, O);
  } else {
    // New rows after the last, blank up to the cell, with the map's own
    // line end; a map whose last line has none still ends without one.
    const eol = lineEnd(), rows = cell.y - pic.rows + 1, width = cell.x + 1;
    const open = map.bytes.length > 0 && map.bytes.at(-1) !== 10;
    inserted = new Uint8Array(rows * (width + eol.length));
    for (let r = 0; r < rows; r++) {
      const start = r * (width + eol.length) + (open ? eol.length : 0);
      inserted.set(blanks(width, r === rows - 1 ? O : DOT), start);
      inserted.set(eol, open ? start - eol.length : start + width);
    }
    at = map.bytes.length;
  }
  if (map.bytes.length + inserted.length > CAPACITY) return null;
  return { at, removed: new Uint8Array(0), inserted, reshapes: true };
}
