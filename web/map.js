// The map text: its bytes exactly as opened, typed or painted, its name
// and where it came from, and the edits that change it. An edit says that
// the bytes `removed` at offset `at` give way to the bytes `inserted`, or,
// for cells turned in place, lists the offsets of `flips`: bytes that went
// from O to a full stop or back. It holds only that, so a painted cell of a
// large map costs a few bytes to undo, not a copy of the map.
export const O = 79;
export const DOT = 46;
export const LF = Uint8Array.of(10);
export const CRLF = Uint8Array.of(13, 10);

// from: "a file", "a picture", "a link", "typed", "new" or "" for the
// empty map the page opens with. cut: the bytes are only the start of a
// file too large for a map, which saving them would cut short.
export const map = { bytes: new Uint8Array(0), name: "map.map", from: "", cut: false };

// All that says what the map is but its bytes, for the history to restore.
export const about = () => ({ name: map.name, from: map.from, cut: map.cut });

// O and a full stop differ in these bits: flipping them turns one into the
// other, and a flip is its own inverse.
const TURN = O ^ DOT;

export function apply({ at, removed, inserted, flips }) {
  const old = map.bytes;
  if (flips) {
    for (let i = 0; i < flips.length; i++) old[flips[i]] ^= TURN;
    return;
  }
  if (removed.length === inserted.length) {
    old.set(inserted, at);
    return;
  }
  const bytes = new Uint8Array(old.length - removed.length + inserted.length);
  bytes.set(old.subarray(0, at));
  bytes.set(inserted, at);
  bytes.set(old.subarray(at + removed.length), at + inserted.length);
  map.bytes = bytes;
}

export const inverse = (e) => e.flips ? e : { at: e.at, removed: e.inserted, inserted: e.removed };

// The bytes of history an edit holds.
export const weight = (e) => e.flips ? 4 * e.flips.length : e.removed.length + e.inserted.length;

// The edit that turns the map into these bytes: what lies between the
// start and the end the two have in common.
export function difference(bytes) {
  const old = map.bytes, n = Math.min(old.length, bytes.length);
  let start = 0, end = 0;
  while (start < n && old[start] === bytes[start]) start++;
  while (end < n - start && old[old.length - 1 - end] === bytes[bytes.length - 1 - end]) end++;
  return { at: start, removed: old.slice(start, old.length - end), inserted: bytes.slice(start, bytes.length - end) };
}

// One edit for two that touch or overlap, the second made after the first
// and the map as it is after both: typing a word is one step to undo.
export function join(first, second) {
  const end = first.at + first.inserted.length;
  if (second.at > end || second.at + second.removed.length < first.at) return null;
  const lo = Math.min(first.at, second.at), hi = Math.max(end, second.at + second.removed.length);
  // The map between the two edits, from the map after both.
  const shift = second.inserted.length - second.removed.length;
  const between = (p) => p < second.at ? map.bytes[p]
    : p < second.at + second.removed.length ? second.removed[p - second.at] : map.bytes[p + shift];
  const removed = new Uint8Array(first.at - lo + first.removed.length + hi - end);
  let i = 0;
  for (let p = lo; p < first.at; p++) removed[i++] = between(p);
  removed.set(first.removed, i);
  i += first.removed.length;
  for (let p = end; p < hi; p++) removed[i++] = between(p);
  return { at: lo, removed, inserted: map.bytes.slice(lo, hi + shift) };
}

// The map's own line end: CR LF where its first line ends so, else LF.
export function lineEnd() {
  const i = map.bytes.indexOf(10);
  return i > 0 && map.bytes[i - 1] === 13 ? CRLF : LF;
}

// A step's edits as they are made, in order, flips that follow each other
// kept as one: a stroke of a thousand cells is one list of offsets.
export class Edits {
  constructor() { Object.assign(this, { list: [], flips: new Uint32Array(64), n: 0 }); }
  add(edits) {
    for (const e of edits) {
      if (!e.flips) {
        this.close();
        this.list.push(e);
        continue;
      }
      if (this.n + e.flips.length > this.flips.length) {
        const more = new Uint32Array(Math.max(2 * this.flips.length, this.n + e.flips.length));
        more.set(this.flips.subarray(0, this.n));
        this.flips = more;
      }
      this.flips.set(e.flips, this.n);
      this.n += e.flips.length;
    }
  }
  close() {
    if (this.n) this.list.push({ flips: this.flips.slice(0, this.n) });
    this.n = 0;
  }
  done() {
    this.close();
    return this.list;
  }
}
