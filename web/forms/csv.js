// CSV: the line "x,y", then a line "x,y" for each point of the listing, in
// its order. It holds no size: read back, the map is the smallest that
// holds the points, each row as wide as the widest; where that rectangle
// is more than a map holds, each row ends at its last marked cell. Read
// as spreadsheets keep it too: numbers between quotes, lines ended by CR
// alone, blank lines at the end.
import { mapSize } from "../block.js";
import { DOT, O } from "../edits.js";
import { csvLines, headOf, pointLines, refuse, shown, textOf } from "./text.js";

const LINE = "the line is not \"x,y\": two whole numbers, 0 or more, below a billion, and a comma between";

// The two numbers of a line, each maybe between quotes; or the column at
// fault and what stands there.
function pair(l, line) {
  let at = 0;
  const number = () => {
    const quoted = l[at] === "\"", from = at += quoted ? 1 : 0;
    while (at < l.length && at - from < 9 && l[at] >= "0" && l[at] <= "9" && !(at > from && l[from] === "0")) at++;
    if (at === from) fault();
    const v = +l.slice(from, at);
    if (quoted && l[at++] !== "\"") fault(at - 1);
    return v;
  };
  const fault = (c = at) => refuse(line, `${LINE}, but ${c < l.length ? `${shown(String.fromCodePoint(l.codePointAt(c)))} stands there` : "the line ends"}`, c + 1);
  const x = number();
  if (l[at++] !== ",") fault(at - 1);
  const y = number();
  if (at < l.length) fault();
  return [x, y];
}

// Rows ended at their last marked cell, a row with none one blank cell
// (an empty line is no row): the points must come in reading order, as
// the page writes them, for the rows to be written as they come.
function trimmed(list, capacity) {
  const bytes = new Uint8Array(capacity);
  let n = 0, row = 0, len = 0, last = null;
  list.forEach(([x, y], i) => {
    if (last && (y < last[1] || (y === last[1] && x <= last[0]))) {
      refuse(i + 2, `${x},${y} comes after ${last[0]},${last[1]}: a CSV too large for a rectangle is read in reading order only`);
    }
    // The rows it ends and those it skips, the blanks before it, the cell.
    const need = y === row ? x - len + 1 : (len ? 1 : 2) + 2 * (y - row - 1) + x + 1;
    if (n + need > capacity) {
      refuse(i + 2, `the map would take more than the ${capacity.toLocaleString("en")} bytes a map holds, even with each row ended at its last marked cell`);
    }
    for (; row < y; row++, len = 0) {
      if (!len) bytes[n++] = DOT;
      bytes[n++] = 10;
    }
    for (; len < x; len++) bytes[n++] = DOT;
    bytes[n++] = O;
    len++;
    last = [x, y];
  });
  // The last line feed, where it fits: without it the map converts alike.
  if (n < capacity) bytes[n++] = 10;
  return bytes.subarray(0, n);
}

// The file read byte by byte, as the page writes it and as spreadsheets
// keep it: its points' coordinates, or null at the first thing out of the
// way, which the reading by lines below then says.
function scan(bytes) {
  const n = bytes.length, xs = new Uint32Array(n >> 2), ys = new Uint32Array(n >> 2);
  let at = bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf ? 3 : 0, count = 0;
  const number = () => {
    const quoted = bytes[at] === 0x22;
    if (quoted) at++;
    let v = 0, digits = 0;
    for (let c = bytes[at]; c >= 0x30 && c <= 0x39 && digits < 9; c = bytes[++at], digits++) v = 10 * v + c - 0x30;
    if (!digits || (digits > 1 && bytes[at - digits] === 0x30) || (quoted && bytes[at++] !== 0x22)) return -1;
    return v;
  };
  const end = () => {
    if (at >= n) return true;
    if (bytes[at] === 0x0d) at++;
    if (bytes[at] === 0x0a) at++;
    return bytes[at - 1] === 0x0a || bytes[at - 1] === 0x0d;
  };
  const head = bytes[at] === 0x22 ? [0x22, 0x78, 0x22, 0x2c, 0x22, 0x79, 0x22] : [0x78, 0x2c, 0x79];
  if (!head.every((c, i) => bytes[at + i] === c)) return null;
  at += head.length;
  if (!end()) return null;
  while (at < n) {
    if (bytes[at] === 0x0a || bytes[at] === 0x0d) {  // blank lines, only at the end
      while (bytes[at] === 0x0a || bytes[at] === 0x0d) at++;
      return at === n ? { xs, ys, count } : null;
    }
    const x = number();
    if (x < 0 || bytes[at++] !== 0x2c) return null;
    const y = number();
    if (y < 0 || !end()) return null;
    xs[count] = x;
    ys[count++] = y;
  }
  return { xs, ys, count };
}

function read(bytes, { capacity }) {
  const fast = scan(bytes);
  if (fast) {
    let w = 0, h = 0;
    for (let i = 0; i < fast.count; i++) {
      if (fast.xs[i] >= w) w = fast.xs[i] + 1;
      if (fast.ys[i] >= h) h = fast.ys[i] + 1;
    }
    if (mapSize(w, h) - 1 <= capacity) return { listing: { w, h, body: pointLines(fast.xs, fast.ys, fast.count), line: (n) => n } };
  }
  const lines = textOf(bytes).split(/\r\n|\r|\n/);
  while (lines.length > 1 && lines.at(-1) === "") lines.pop();
  if (!/^(x,y|"x","y")$/.test(lines[0])) refuse(1, "the first line is not \"x,y\"");
  let w = 0, h = 0;
  const list = lines.slice(1).map((l, i) => {
    const p = pair(l, i + 2);
    w = Math.max(w, p[0] + 1);
    h = Math.max(h, p[1] + 1);
    return p;
  });
  if (mapSize(w, h) - 1 > capacity) return { trimmed: { w, h, bytes: trimmed(list, capacity) } };
  return { listing: { w, h, body: pointLines(list.map((p) => p[0]), list.map((p) => p[1])), line: (n) => n } };
}

export default {
  name: "csv", title: "CSV", label: "CSV of the listing", ext: ".csv", type: "text/csv", text: true, from: "a CSV file",
  sniff: (bytes) => /^("x","y"|x,y)/.test(headOf(bytes)),
  write: ({ body, points, eol }) => csvLines(body, points, `x,y${eol}`, eol),
  read,
};
