// The map being edited, and everything that changes it: its bytes exactly
// as opened, typed or painted, its name and where it came from, its cells
// as the conversion's own walk lays them out, and its conversion. Every
// change goes through here and is recorded as one step of the history;
// the rest of the page subscribes to what changed (`on`) and is never
// reached into from here.
//
// A cell that exists is its one byte, O or a full stop, toggled in place;
// marking a position past a row's end fills the row out with blank cells
// before its line end, and marking one below the last row adds rows, blank
// up to it, with the map's own line end; blanking a position that is no
// cell changes nothing. On a refused map the refused byte is a cell too:
// writing it mends the map. A write costs what it changes: only a growth
// lays the map out again. A stroke or a tool changes bytes and cells as it
// goes, and what derives from the whole map (the conversion, the listing,
// the text box, the readouts) is brought up to date once, at its end.
//
// What subscribers are told, in this order within an update (but leaving):
//   cell (x, y)        one cell toggled in place, its pixels to redraw
//   cells ()           many cells toggled, or the map laid out anew
//   converted (out)    the map converted anew: its listing or message
//   fitted ()          another map in place: the view fits it anew
//   shown ({ fitted, anew, out })   the picture to bring in step (anew:
//                      the layout's readouts too)
//   updated ({ typed, out })   all else that shows the map (typed: the
//                      text box holds it already)
//   step ({ whole, keep, edits, from })   a step made, undone or redone
//                      (whole: another map in place; keep false: not to
//                      be kept; edits: those it made to the bytes, in
//                      order; from: "another tab" for one received)
//   leaving ()         another map is about to take this one's place: told
//                      before the change, while the map is as it was
//   replayed (step, forward)   a step undone or redone, after its update
import { channel, stamp } from "./page.js";
import { CAPACITY, checkMemory, convert, isCurrent, layOut } from "./conversion.js";
import { DOT, O, apply, difference, inverse, lineEndOf } from "./edits.js";
import { canRedo, canUndo, forget, held, record, redo as redoStep, saved, undo as undoStep, unsaved } from "./history.js";

const events = channel();
export const on = events.on;
export { canRedo, canUndo, unsaved };

// from: "a file", "a picture", "a link", "a listing", "a paste" (over the
// text box's whole text), "typed", "new" or ""
// for the empty map the page opens with. cut: the bytes are only the start
// of a file too large for a map, which saving them would cut short. entry:
// the map's own entry among those the browser keeps, new for every map put
// in place but one brought back from there, so that no map is kept over
// another; undo and redo bring it back with the map.
export const map = { bytes: new Uint8Array(0), name: "map.map", from: "", cut: false, entry: newEntry() };
export function newEntry() {
  return `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 10)}`;
}

// The layout of the map's bytes (see layOut); stale once an edit has
// moved cells, until it is laid out again. Its arrays are views into the
// conversion's memory, which only this module writes.
export const layout = { rows: 0, stale: true };

let out = null;     // the conversion of the map as it was last brought up to date
let stale = false;  // the bytes have changed since
let shown = null;   // the layout whose readouts are shown

const about = () => ({ name: map.name, from: map.from, cut: map.cut, entry: map.entry });
const make = (edit) => { map.bytes = apply(map.bytes, edit); };
export const lineEnd = () => lineEndOf(map.bytes);

export function relayout() {
  Object.assign(layout, layOut(map.bytes), { stale: false });
  events.emit("cells");
}
const laidOut = () => {
  checkMemory();
  if (layout.stale) relayout();
};

export const rowLength = (y) => layout.rowStart[y + 1] - layout.rowStart[y];
export const exists = (x, y) => y >= 0 && y < layout.rows && x >= 0 && x < rowLength(y);

// 1 for a marked cell, 0 for a blank one, null where the map has none.
export function cellState(x, y) {
  laidOut();
  return exists(x, y) ? layout.cells[layout.rowStart[y] + x] : null;
}

export const isRefused = (x, y) => !!layout.refusedCell && x === layout.refusedCell.x && y === layout.refusedCell.y;

// The box of the map, its longest row by its rows, laid out first.
export function extent() {
  laidOut();
  return { x: 0, y: 0, w: layout.cols, h: layout.rows };
}

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

// Writes the targets and returns the edits made, in order.
export function write(targets) {
  laidOut();
  const { v } = targets;
  // A mended refused byte makes cells of what follows it: the targets
  // after it are written on the map as it then is.
  let n = targets.n, mend = -1;
  for (let i = 0; layout.refusedCell && i < n && mend < 0; i++) if (isRefused(v[3 * i], v[3 * i + 1])) mend = i;
  if (mend >= 0) n = mend;
  const edits = layout.refused ? [] : grow(targets, n);
  const changed = new Int32Array(n);
  let f = 0;
  // A position met twice (a wide pen's squares overlap, a mirror image
  // falls on a cell written already) is toggled once: each is toggled as
  // it is met, so that the next finds it written, and all put back after.
  for (let i = 0; i < 3 * n; i += 3) {
    const x = v[i], y = v[i + 1];
    if (!exists(x, y)) continue;
    const c = layout.rowStart[y] + x;
    if (layout.cells[c] !== (v[i + 2] === O ? 1 : 0)) layout.cells[changed[f++] = c] ^= 1;
  }
  for (let i = 0; i < f; i++) layout.cells[changed[i]] ^= 1;
  edits.push(...toggle(changed.subarray(0, f)));
  if (mend >= 0) {
    const at = layout.refusedAt;
    const edit = { at, removed: map.bytes.slice(at, at + 1), inserted: Uint8Array.of(v[3 * mend + 2]) };
    make(edit);
    edits.push(edit);
    layout.stale = true;
    edits.push(...write(targets.slice(mend + 1, targets.n)));
  }
  return edits;
}

// Toggles the cells of these indices in the layout, each once: the edits
// made, none or one.
export function toggle(indices) {
  if (indices.length === 0) return [];
  laidOut();
  const toggles = new Uint32Array(indices.length), few = indices.length <= 4096;
  for (let i = 0; i < indices.length; i++) {
    const c = indices[i];
    toggles[i] = layout.cellAt[c];
    layout.cells[c] ^= 1;
    if (few) events.emit("cell", ...position(c));
  }
  const edit = { toggles };
  make(edit);
  if (!few) events.emit("cells");
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
  edits.forEach(make);
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

// The map converted and everything that shows it brought up to date.
// fitted: the map is another, and its picture fits the box anew. typed:
// the text box holds the map already. laid: the map is laid out anew,
// after its listing is shown.
export function refresh({ fitted = false, typed = false, laid = true } = {}) {
  out = convert(map.bytes);
  stale = false;
  events.emit("converted", out);
  const listed = performance.now();
  if (laid) relayout();
  if (fitted) events.emit("fitted");
  events.emit("shown", { fitted, anew: fitted || shown !== layout.cells, out });
  shown = layout.cells;
  const drawn = performance.now();
  events.emit("updated", { typed, out });
  document.body.dataset.history = held();  // bytes, for the page's test
  stamp(listed, drawn);
}

// The conversion of the map as it is now: Download and links act on it.
export function current() {
  if (!out || stale || !isCurrent(out)) refresh({ laid: false });
  return out;
}

// Bytes changed in place by a stroke or a tool under way: the rest waits
// for its end.
export const touched = () => { stale = true; };

// A stroke's or a tool's edits, made and rendered already, as one step;
// what derives from the map is brought up to date now. extra: what the
// step brings back with it when undone or redone (the selection's box).
export function commit(edits, extra = null) {
  if (edits.length > 0) {
    record(edits, about(), about(), map.bytes, { extra });
    events.emit("step", { whole: false, edits });
  }
  if (stale || edits.length > 0) refresh({ laid: false });
}

// A stroke that turned out to be no stroke (a pinch): its edits undone,
// with no step.
export function retract(edits) {
  for (let i = edits.length - 1; i >= 0; i--) make(inverse(edits[i]));
  if (edits.length > 0) refresh();
}

// Another map in place of this one: opened, new, from a picture, a link or
// the browser's keeping. It has nothing unsaved but what is drawn after.
// keep: false for a map shown as it is kept already, or not to be kept
// until it changes; entry: the kept map's own, for one brought back.
// first: the history starts with it, as with a map brought back when the
// page opens: there is nothing before it to undo.
export function replace(bytes, name, from, { cut = false, keep = true, first = false, entry = newEntry() } = {}) {
  events.emit("leaving");
  anew(bytes, { name, from, cut, entry }, first);
  saved();
  events.emit("step", { whole: true, keep, edits: [] });
}

// The map written anew by a tool, as one step: cropped, resized, rotated,
// or its characters made O and full stops, under a name of its own.
export function rewrite(bytes, name = map.name) {
  events.emit("step", { whole: false, edits: [anew(bytes, { name })] });
}

// first: a history that starts with this map, not a step to it.
function anew(bytes, props, first = false) {
  const before = about();
  const edit = { at: 0, removed: map.bytes, inserted: bytes.slice() };
  Object.assign(map, { bytes }, props);
  if (first) forget();
  else record([edit], before, about(), map.bytes, { whole: true });
  refresh({ fitted: true });
  return edit;
}

// The map as typed into the text box, as UTF-8.
export function typed(bytes) {
  const before = about();
  const edit = difference(map.bytes, bytes);
  Object.assign(map, { bytes, from: "typed", cut: false });
  record([edit], before, about(), map.bytes, { typing: true });
  events.emit("step", { whole: false, edits: [edit] });
  refresh({ typed: true });
}

// Another name for the map, as one step: the bytes stay as they are.
export function rename(name) {
  const before = about();
  map.name = name;
  record([], before, about(), map.bytes);
  events.emit("step", { whole: false, edits: [] });
  refresh();
}

// A step made in another tab showing this map, made here as it was there:
// a step of this tab's history like its own, not kept again from here.
export function receive(edits, props) {
  const before = about();
  edits.forEach(make);
  Object.assign(map, props);
  record(edits, before, about(), map.bytes);
  events.emit("step", { whole: false, keep: false, edits, from: "another tab" });
  refresh();
}

// The map's entry among those kept, and its name, changed with no step:
// it is kept under another entry from now on.
export function rekey(entry, name) {
  Object.assign(map, { entry, name });
  refresh();
}

// Saved as a file: nothing unsaved now.
export const markSaved = saved;

function replay(step, forward) {
  if (!step) return;
  if (step.whole) events.emit("leaving");
  const edits = forward ? step.edits : step.edits.map(inverse).reverse();
  edits.forEach(make);
  Object.assign(map, forward ? step.after : step.before);
  events.emit("step", { whole: step.whole, edits });
  refresh({ fitted: step.whole });
  events.emit("replayed", step, forward);
}
export const undo = () => replay(undoStep(), false);
export const redo = () => replay(redoStep(), true);
