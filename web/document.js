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
// An edit is a transaction: a tool opens one (`begin`), writes or toggles
// cells through it, and commits it, one step of the history told once, or
// cancels it, its bytes put back. One edit is open at a time: opening a
// second while one is open throws, so a tool that forgets its edit's end is
// caught at once. Reading the map or its layout never changes or tells
// anything; they are read through `map()` and `layout()`, which hand out
// frozen objects (the layout's arrays are views of the conversion's memory
// that only this module writes).
//
// What subscribers are told, any number of them, in the order they
// subscribed:
//   cells (box)        cells toggled in place within this box { x, y, w, h }
//   map ({ another })  the map laid out anew: rows grown, or other bytes
//                      (another: another map in place, fitted anew)
//   name ()            its name, where it came from, or its entry changed
//   converted ({ out, typed })   the map converted anew, at an edit's
//                      end: its listing or message (typed: the text box
//                      holds it already)
//   step ({ whole, keep, edits, from })   a step made, undone or redone
//                      (whole: another map in place; keep false: not to
//                      be kept; edits: those it made to the bytes, in
//                      order; from: "another tab" for one received)
//   leaving ()         another map is about to take this one's place: told
//                      before the change, while the map is as it was
//   replayed (step, forward)   a step undone or redone, after it is told
import { channel, stamp } from "./page.js";
import { CAPACITY, checkMemory, convert, isCurrent, layOut } from "./conversion.js";
import { DOT, Edits, O, apply, difference, inverse, lineEndOf } from "./edits.js";
import { canRedo, canUndo, forget, held, record, redo as redoStep, saved, undo as undoStep, unsaved } from "./history.js";

const events = channel();
export const on = events.on;
export { canRedo, canUndo, unsaved };

export function newEntry() {
  return `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 10)}`;
}

// bytes: the map's, exactly as opened, typed or painted. from: "a file",
// "an image", "a link", "a listing", "a paste" (over the text box's whole
// text), "typed", "new" or "" for the empty map the page opens with. cut:
// the bytes are only the start of a file too large for a map, which saving
// them would cut short. entry: the map's own among those the browser
// keeps, new for every map put in place but one brought back from there,
// so that no map is kept over another; undo and redo bring it back.
let doc = Object.freeze({ bytes: new Uint8Array(0), name: "map.map", from: "", cut: false, entry: newEntry() });
export const map = () => doc;
const set = (props) => { doc = Object.freeze({ ...doc, ...props }); };

// The layout of the map's bytes (see layOut), always that of the bytes as
// they are: a change that moves cells lays the map out again before it
// returns. wid is the last row's width, the map's as the listing says it;
// widest, the widest row's.
let laid = null;
export const layout = () => laid;

let out = null;     // the conversion of the map as it was last brought up to date
let stale = false;  // the bytes have changed since
let open = null;    // the edit open, or null

const about = () => ({ name: doc.name, from: doc.from, cut: doc.cut, entry: doc.entry });
const make = (edit) => set({ bytes: apply(doc.bytes, edit) });
export const lineEnd = () => lineEndOf(doc.bytes);

// The map laid out anew, and told so.
function layOutAnew(another = false) {
  checkMemory();
  const { cols, ...rest } = layOut(doc.bytes);
  laid = Object.freeze({ ...rest, widest: cols });
  events.emit("map", { another });
}
layOutAnew(true);

export const rowLength = (y) => laid.rowStart[y + 1] - laid.rowStart[y];
export const exists = (x, y) => y >= 0 && y < laid.rows && x >= 0 && x < rowLength(y);

// 1 for a marked cell, 0 for a blank one, null where the map has none.
export const cellState = (x, y) => exists(x, y) ? laid.cells[laid.rowStart[y] + x] : null;

export const isRefused = (x, y) => !!laid.refusedCell && x === laid.refusedCell.x && y === laid.refusedCell.y;

// The box of the map: its widest row by its rows.
export const extent = () => ({ x: 0, y: 0, w: laid.widest, h: laid.rows });

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

// An edit of the map's cells, open until committed or cancelled: write
// and toggle change the bytes and the cells at once, and tell the cells
// they toggled; what derives from the whole map (the conversion, the
// listing, the text box, the readouts) waits for the commit.
export function begin() {
  if (open) throw new Error("An edit of the map is open already: the tool that opened it neither committed nor cancelled it.");
  const made = new Edits();
  const edit = {
    // Writes the targets (see Targets).
    write(targets) {
      live();
      made.add(write(targets));
    },
    // Toggles the cells of these indices of the layout, each once.
    toggle(indices) {
      live();
      made.add(toggle(indices));
    },
    // One step of the history, told once; extra: what it brings back with
    // it when undone or redone (the selection's box).
    commit(extra = null) {
      live();
      open = null;
      const edits = made.done();
      if (edits.length > 0) {
        record(edits, about(), about(), doc.bytes, { extra });
        events.emit("step", { whole: false, edits });
      }
      if (stale || edits.length > 0) refresh({ laid: false });
    },
    // Its edits put back, with no step: a stroke that turned out to be a
    // pinch leaves no trace.
    cancel() {
      live();
      open = null;
      const edits = made.done();
      for (let i = edits.length - 1; i >= 0; i--) make(inverse(edits[i]));
      if (edits.length > 0) refresh();
    },
  };
  const live = () => {
    if (open !== edit) throw new Error("This edit of the map is committed or cancelled already.");
  };
  open = edit;
  return edit;
}

// Whether an edit is open: a press's end checks that its tool closed its own.
export const editing = () => open !== null;

// Writes the targets and returns the edits made, in order.
function write(targets) {
  const { v } = targets;
  stale = true;
  // A mended refused byte makes cells of what follows it: the targets
  // after it are written on the map as it then is.
  let n = targets.n, mend = -1;
  for (let i = 0; laid.refusedCell && i < n && mend < 0; i++) if (isRefused(v[3 * i], v[3 * i + 1])) mend = i;
  if (mend >= 0) n = mend;
  const edits = laid.refused ? [] : grow(targets, n);
  const changed = new Int32Array(n);
  let f = 0;
  // A position met twice (a wide pen's squares overlap, a mirror image
  // falls on a cell written already) is toggled once: each is toggled as
  // it is met, so that the next finds it written, and all put back after.
  for (let i = 0; i < 3 * n; i += 3) {
    const x = v[i], y = v[i + 1];
    if (!exists(x, y)) continue;
    const c = laid.rowStart[y] + x;
    if (laid.cells[c] !== (v[i + 2] === O ? 1 : 0)) laid.cells[changed[f++] = c] ^= 1;
  }
  for (let i = 0; i < f; i++) laid.cells[changed[i]] ^= 1;
  edits.push(...toggle(changed.subarray(0, f)));
  if (mend >= 0) {
    const at = laid.refusedAt;
    const edit = { at, removed: doc.bytes.slice(at, at + 1), inserted: Uint8Array.of(v[3 * mend + 2]) };
    make(edit);
    edits.push(edit);
    layOutAnew();
    edits.push(...write(targets.slice(mend + 1, targets.n)));
  }
  return edits;
}

// Toggles the cells of these indices in the layout, each once, and tells
// the box they lie in: the edits made, none or one.
function toggle(indices) {
  if (indices.length === 0) return [];
  stale = true;
  const toggles = new Uint32Array(indices.length), few = indices.length <= 4096;
  let x0 = Infinity, y0 = Infinity, x1 = -1, y1 = -1;
  for (let i = 0; i < indices.length; i++) {
    const c = indices[i];
    toggles[i] = laid.cellAt[c];
    laid.cells[c] ^= 1;
    if (!few) continue;
    const [x, y] = position(c);
    x0 = Math.min(x0, x), x1 = Math.max(x1, x), y0 = Math.min(y0, y), y1 = Math.max(y1, y);
  }
  const edit = { toggles };
  make(edit);
  events.emit("cells", few ? { x: x0, y: y0, w: x1 - x0 + 1, h: y1 - y0 + 1 } : extent());
  return [edit];
}

// Where the cell of this index is: its row found by halving.
function position(c) {
  let lo = 0, hi = laid.rows - 1;
  while (lo < hi) {
    const mid = (lo + hi + 1) >> 1;
    if (laid.rowStart[mid] <= c) lo = mid;
    else hi = mid - 1;
  }
  return [c - laid.rowStart[lo], lo];
}

// Rows filled out and rows added for the marked targets past the map, as
// if each were painted alone, in order, and then laid out anew. A row that
// would take the map past its capacity is not grown.
function grow({ v }, n) {
  const longer = new Map(), added = [];
  let size = doc.bytes.length, rows = laid.rows;
  const eol = lineEnd();
  for (let i = 0; i < 3 * n; i += 3) {
    const x = v[i], y = v[i + 1];
    if (v[i + 2] !== O || x < 0 || y < 0) continue;
    if (y < laid.rows) {
      const len = longer.get(y) ?? rowLength(y);
      if (x < len || size + x + 1 - len > CAPACITY) continue;
      size += x + 1 - len;
      longer.set(y, x + 1);
    } else if (y < rows) {
      const len = added[y - laid.rows];
      if (x < len || size + x + 1 - len > CAPACITY) continue;
      size += x + 1 - len;
      added[y - laid.rows] = x + 1;
    } else {
      const more = (y - rows + 1) * (x + 1 + eol.length);
      if (size + more > CAPACITY) continue;
      size += more;
      for (; rows <= y; rows++) added.push(x + 1);
    }
  }
  if (size === doc.bytes.length) return [];
  // From the end back, so that each edit's offset holds when it is made;
  // rows added at the end go first, behind the last row's own filling.
  const edits = [];
  if (added.length) edits.push({ at: doc.bytes.length, removed: new Uint8Array(0), inserted: newRows(added, eol) });
  const fills = [...longer].map(([y, len]) => {
    // Before the row's line end, and before the CR of a CR LF.
    let at = laid.rowEnd[y];
    if (at > 0 && doc.bytes[at] === 10 && doc.bytes[at - 1] === 13) at--;
    return { at, removed: new Uint8Array(0), inserted: new Uint8Array(len - rowLength(y)).fill(DOT) };
  });
  edits.push(...fills.sort((a, b) => b.at - a.at));
  edits.forEach(make);
  layOutAnew();
  return edits;
}

// Blank rows of these widths, each with the map's line end; a map whose
// last line has none ends without one still.
function newRows(widths, eol) {
  const ends = doc.bytes.length > 0 && doc.bytes.at(-1) !== 10;
  const bytes = new Uint8Array(widths.reduce((n, w) => n + w + eol.length, 0)).fill(DOT);
  let at = 0;
  for (const w of widths) {
    if (ends) bytes.set(eol, at);
    else bytes.set(eol, at + w);
    at += w + eol.length;
  }
  return bytes;
}

// The map converted and everything that shows it brought up to date.
// another: another map in place, which the picture fits anew. typed: the
// text box holds the map already. laid: the bytes changed other than by
// toggles, and are laid out anew.
export function refresh({ another = false, typed = false, laid: anew = true } = {}) {
  out = convert(doc.bytes);
  stale = false;
  const converted = performance.now();
  if (anew) layOutAnew(another);
  events.emit("converted", { out, typed });
  document.body.dataset.history = held();  // bytes, for the page's test
  stamp(converted, performance.now());
}

// The conversion of the map as it is now: Download and links act on it.
export function current() {
  if (!out || stale || !isCurrent(out)) refresh({ laid: false });
  return out;
}

// Another map in place of this one: opened, new, from an image, a link or
// the browser's keeping. It has nothing unsaved but what is drawn after.
// keep: false for a map shown as it is kept already, or not to be kept
// until it changes; entry: the kept map's own, for one brought back.
// first: the history starts with it, as with a map brought back when the
// page opens: there is nothing before it to undo.
export function replace(bytes, name, from, { cut = false, keep = true, first = false, entry = null } = {}) {
  events.emit("leaving");
  // A map new to the keeping is named anew where its name is taken.
  anew(bytes, { name: entry ? name : naming(name), from, cut, entry: entry ?? newEntry() }, first);
  saved();
  events.emit("step", { whole: true, keep, edits: [] });
}

// What names a map put in place to be kept: the browser's keeping
// (keep.js), so that no two maps it keeps share a name.
let naming = (name) => name;
export const nameBy = (fn) => { naming = fn; };

// The map written anew by a tool, as one step: cropped, resized, flipped,
// rotated, or its characters made O and full stops, under a name of its own.
export function rewrite(bytes, name = doc.name) {
  events.emit("step", { whole: false, edits: [anew(bytes, { name })] });
}

// first: a history that starts with this map, not a step to it.
function anew(bytes, props, first = false) {
  const before = about();
  const edit = { at: 0, removed: doc.bytes, inserted: bytes.slice() };
  set({ bytes, ...props });
  if (first) forget();
  else record([edit], before, about(), doc.bytes, { whole: true });
  events.emit("name");
  refresh({ another: true });
  return edit;
}

// The map as typed into the text box, as UTF-8.
export function typed(bytes) {
  const before = about();
  const edit = difference(doc.bytes, bytes);
  set({ bytes, from: "typed", cut: false });
  record([edit], before, about(), doc.bytes, { typing: true });
  events.emit("step", { whole: false, edits: [edit] });
  events.emit("name");
  refresh({ typed: true });
}

// Another name for the map, as one step: the bytes stay as they are.
export function rename(name) {
  const before = about();
  set({ name });
  record([], before, about(), doc.bytes);
  events.emit("step", { whole: false, edits: [] });
  events.emit("name");
}

// A step made in another tab showing this map, made here as it was there:
// a step of this tab's history like its own, not kept again from here.
export function receive(edits, props) {
  const before = about();
  edits.forEach(make);
  set(props);
  record(edits, before, about(), doc.bytes);
  events.emit("step", { whole: false, keep: false, edits, from: "another tab" });
  events.emit("name");
  refresh();
}

// The map's entry among those kept, and its name, changed with no step:
// it is kept under another entry from now on.
export function rekey(entry, name) {
  set({ entry, name });
  events.emit("name");
}

// Saved as a file: nothing unsaved now.
export const markSaved = saved;

function replay(step, forward) {
  if (!step) return;
  if (step.whole) events.emit("leaving");
  const edits = forward ? step.edits : step.edits.map(inverse).reverse();
  edits.forEach(make);
  set(forward ? step.after : step.before);
  events.emit("step", { whole: step.whole, edits });
  events.emit("name");
  refresh({ another: step.whole });
  events.emit("replayed", step, forward);
}
export const undo = () => replay(undoStep(), false);
export const redo = () => replay(redoStep(), true);
