// Edits of map text. An edit says that the bytes `removed` at offset `at`
// give way to the bytes `inserted`, or, for cells toggled in place, lists
// the offsets of `toggles`: bytes that went from O to a full stop or back.
// It holds only that, so a painted cell of a large map costs a few bytes
// to undo, not a copy of the map.
export const O = 79;
export const DOT = 46;
export const LF = Uint8Array.of(10);
export const CRLF = Uint8Array.of(13, 10);

// O and a full stop differ in these bits: toggling them turns one into the
// other, and a toggle is its own inverse.
const TOGGLE = O ^ DOT;

// The bytes after the edit: the same array where their length stays.
export function apply(bytes, { at, removed, inserted, toggles }) {
  if (toggles) {
    for (let i = 0; i < toggles.length; i++) bytes[toggles[i]] ^= TOGGLE;
    return bytes;
  }
  if (removed.length === inserted.length) {
    bytes.set(inserted, at);
    return bytes;
  }
  const out = new Uint8Array(bytes.length - removed.length + inserted.length);
  out.set(bytes.subarray(0, at));
  out.set(inserted, at);
  out.set(bytes.subarray(at + removed.length), at + inserted.length);
  return out;
}

export const inverse = (e) => e.toggles ? e : { at: e.at, removed: e.inserted, inserted: e.removed };

// The bytes of history an edit holds.
export const weight = (e) => e.toggles ? 4 * e.toggles.length : e.removed.length + e.inserted.length;

// The edit that turns old into bytes: what lies between the start and the
// end the two have in common.
export function difference(old, bytes) {
  const n = Math.min(old.length, bytes.length);
  let start = 0, end = 0;
  while (start < n && old[start] === bytes[start]) start++;
  while (end < n - start && old[old.length - 1 - end] === bytes[bytes.length - 1 - end]) end++;
  return { at: start, removed: old.slice(start, old.length - end), inserted: bytes.slice(start, bytes.length - end) };
}

// One edit for two that touch or overlap, the second made after the first
// and `now` the bytes after both: typing a word is one step to undo.
export function merge(first, second, now) {
  const end = first.at + first.inserted.length;
  if (second.at > end || second.at + second.removed.length < first.at) return null;
  const lo = Math.min(first.at, second.at), hi = Math.max(end, second.at + second.removed.length);
  // The bytes between the two edits, from those after both.
  const shift = second.inserted.length - second.removed.length;
  const between = (p) => p < second.at ? now[p]
    : p < second.at + second.removed.length ? second.removed[p - second.at] : now[p + shift];
  const removed = new Uint8Array(first.at - lo + first.removed.length + hi - end);
  let i = 0;
  for (let p = lo; p < first.at; p++) removed[i++] = between(p);
  removed.set(first.removed, i);
  i += first.removed.length;
  for (let p = end; p < hi; p++) removed[i++] = between(p);
  return { at: lo, removed, inserted: now.slice(lo, hi + shift) };
}

// A map's own line end: CR LF where its first line ends so, else LF.
export function lineEndOf(bytes) {
  const i = bytes.indexOf(10);
  return i > 0 && bytes[i - 1] === 13 ? CRLF : LF;
}

// A step's edits as they are made, in order, toggles that follow each
// other kept as one: a stroke of a thousand cells is one list of offsets.
export class Edits {
  constructor() { Object.assign(this, { list: [], toggles: new Uint32Array(64), n: 0 }); }
  add(edits) {
    for (const e of edits) {
      if (!e.toggles) {
        this.close();
        this.list.push(e);
        continue;
      }
      if (this.n + e.toggles.length > this.toggles.length) {
        const more = new Uint32Array(Math.max(2 * this.toggles.length, this.n + e.toggles.length));
        more.set(this.toggles.subarray(0, this.n));
        this.toggles = more;
      }
      this.toggles.set(e.toggles, this.n);
      this.n += e.toggles.length;
    }
  }
  close() {
    if (this.n) this.list.push({ toggles: this.toggles.slice(0, this.n) });
    this.n = 0;
  }
  done() {
    this.close();
    return this.list;
  }
}
