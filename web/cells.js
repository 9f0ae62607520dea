// The map's cells, laid out by the conversion's own walk over the text,
// and the one way every tool writes them. A cell that exists is its one
// byte, O or a full stop, turned in place; marking a position past a row's
// end fills the row out with blank cells before its line end, and marking
// one below the last row adds rows, blank up to it, with the map's own
// line end; blanking a position that is no cell changes nothing. On a
// refused map the refused byte is a cell too: writing it mends the map.
// A write costs what it changes: only a growth lays the map out again.
import { CAPACITY, layOut } from "./conversion.js";
import { DOT, O, apply, lineEnd, map } from "./map.js";

// The layout of the map's bytes (see layOut); stale once an edit has
// moved cells, until it is laid out again.
export const layout = { rows: 0, stale: true };

// What the picture is told: a cell turned, or the layout made anew.
export const watch = { cell: () => {}, all: () => {} };

export function relayout() {
  Object.assign(layout, layOut(map.bytes), { stale: false });
  watch.all();
}

export const rowLength = (y) => layout.rowStart[y + 1] - layout.rowStart[y];
export const exists = (x, y) => y >= 0 && y < layout.rows && x >= 0 && x < rowLength(y);

// 1 for a marked cell, 0 for a blank one, null where the map has none.
export function cellState(x, y) {
  if (layout.stale) relayout();
  return exists(x, y) ? layout.cells[layout.rowStart[y] + x] : null;
}

export const isRefused = (x, y) => !!layout.refusedCell && x === layout.refusedCell.x && y === layout.refusedCell.y;

// Positions to write and the byte each takes, in the order they are met:
// x, y and the byte, three numbers each.
export class Targets {
  constructor(size = 16) { Object.assign(this, { n: 0, v: new Int32Array(3 * size) }); }
  push(x, y, state) {
    if (3 * this.n + 3 > this.v.length) {
      const v = new Int32Array(this.v.length * 2);
      v.set(this.v);
      this.v = v;
    }
    this.v[3 * this.n] = x;
    this.v[3 * this.n + 1] = y;
    this.v[3 * this.n++ + 2] = state;
    return this;
  }
  slice(from, to) {
    const t = new Targets(Math.max(to - from, 1));
    t.v.set(this.v.subarray(3 * from, 3 * to));
    t.n = to - from;
    return t;
  }
}

// Writes the targets and returns the edits made, in order. Edits that turn
// cells in place are flips: the offsets of bytes that went from O to a
// full stop or back, 4 bytes of history a cell.
export function write(targets) {
  if (layout.stale) relayout();
  const { v } = targets;
  // A mended refused byte makes cells of what follows it: the targets
  // after it are written on the map as it then is.
  let n = targets.n, mend = -1;
  for (let i = 0; layout.refusedCell && i < n && mend < 0; i++) if (isRefused(v[3 * i], v[3 * i + 1])) mend = i;
  if (mend >= 0) n = mend;
  const edits = layout.refused ? [] : grow(targets, n);
  const changed = new Int32Array(n);
  let f = 0;
  for (let i = 0; i < 3 * n; i += 3) {
    const x = v[i], y = v[i + 1];
    if (!exists(x, y)) continue;
    const c = layout.rowStart[y] + x;
    if (layout.cells[c] !== (v[i + 2] === O ? 1 : 0)) changed[f++] = c;
  }
  edits.push(...turn(changed.subarray(0, f)));
  if (mend >= 0) {
    const at = layout.refusedAt;
    const edit = { at, removed: map.bytes.slice(at, at + 1), inserted: Uint8Array.of(v[3 * mend + 2]) };
    apply(edit);
    edits.push(edit);
    layout.stale = true;
    edits.push(...write(targets.slice(mend + 1, targets.n)));
  }
  return edits;
}

// Turns the cells of these indices in the layout, each once: the edits
// made, none or one.
export function turn(indices) {
  if (indices.length === 0) return [];
  const flips = new Uint32Array(indices.length), few = indices.length <= 4096;
  for (let i = 0; i < indices.length; i++) {
    const c = indices[i];
    flips[i] = layout.cellAt[c];
    layout.cells[c] ^= 1;
    if (few) watch.cell(...position(c));
  }
  const edit = { flips };
  apply(edit);
  if (!few) watch.all();
  return [edit];
}

// Where the cell of this index is: its row found by halving.
function position(c) {
  let lo = 0, hi = layout.rows - 1;
  while (lo < hi) {
    const mid = (lo + hi + 1) >> 1;
    if (layout.rowStart[mid] <= c) lo = mid;
    else hi = mid - 1;
  }
  return [c - layout.rowStart[lo], lo];
}

// Rows filled out and rows added for the marked targets past the map, as
// if each were painted alone, in order, and then laid out anew. A row that
// would take the map past its capacity is not grown.
function grow({ v }, n) {
  const longer = new Map(), added = [];
  let size = map.bytes.length, rows = layout.rows;
  const eol = lineEnd();
  for (let i = 0; i < 3 * n; i += 3) {
    const x = v[i], y = v[i + 1];
    if (v[i + 2] !== O || x < 0 || y < 0) continue;
    if (y < layout.rows) {
      const len = longer.get(y) ?? rowLength(y);
      if (x < len || size + x + 1 - len > CAPACITY) continue;
      size += x + 1 - len;
      longer.set(y, x + 1);
    } else if (y < rows) {
      const len = added[y - layout.rows];
      if (x < len || size + x + 1 - len > CAPACITY) continue;
      size += x + 1 - len;
      added[y - layout.rows] = x + 1;
    } else {
      const more = (y - rows + 1) * (x + 1 + eol.length);
      if (size + more > CAPACITY) continue;
      size += more;
      for (; rows <= y; rows++) added.push(x + 1);
    }
  }
  if (size === map.bytes.length) return [];
  // From the end back, so that each edit's offset holds when it is made;
  // rows added at the end go first, behind the last row's own filling.
  const edits = [];
  if (added.length) edits.push({ at: map.bytes.length, removed: new Uint8Array(0), inserted: newRows(added, eol) });
  const fills = [...longer].map(([y, len]) => {
    // Before the row's line end, and before the CR of a CR LF.
    let at = layout.rowEnd[y];
    if (at > 0 && map.bytes[at] === 10 && map.bytes[at - 1] === 13) at--;
    return { at, removed: new Uint8Array(0), inserted: new Uint8Array(len - rowLength(y)).fill(DOT) };
  });
  edits.push(...fills.sort((a, b) => b.at - a.at));
  edits.forEach(apply);
  relayout();
  return edits;
}

// Blank rows of these widths, each with the map's line end; a map whose
// last line has none ends without one still.
function newRows(widths, eol) {
  const open = map.bytes.length > 0 && map.bytes.at(-1) !== 10;
  const bytes = new Uint8Array(widths.reduce((n, w) => n + w + eol.length, 0)).fill(DOT);
  let at = 0;
  for (const w of widths) {
    if (open) bytes.set(eol, at);
    else bytes.set(eol, at + w);
    at += w + eol.length;
  }
  return bytes;
}
