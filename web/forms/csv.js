// CSV: the line "x,y", then a line "x,y" for each point of the listing, in
// its order. It holds no size: read back, the map is the smallest that
// holds the points, each row as wide as the widest; where that rectangle
// is more than a map holds, each row ends at its last marked cell. Read
// as spreadsheets keep it too: numbers between quotes, lines ended by CR
// alone, blank lines at the end.
import { mapSize } from "../block.js";
import { DOT, O } from "../edits.js";
import { csvLines, headOf, pointLines, refuse, shownAt } from "./text.js";

const LINE = "the line is not \"x,y\": two whole numbers, 0 or more, below a billion, and a comma between";

// Rows ended at their last marked cell, a row with none one blank cell
// (an empty line is no row): the points must come in reading order, as
// the page writes them, for the rows to be written as they come.
function trimmed({ xs, ys, count }, capacity) {
  const bytes = new Uint8Array(capacity);
  let n = 0, row = 0, len = 0;
  for (let i = 0; i < count; i++) {
    const x = xs[i], y = ys[i];
    if (i && (y < ys[i - 1] || (y === ys[i - 1] && x <= xs[i - 1]))) {
      refuse(i + 2, `${x},${y} comes after ${xs[i - 1]},${ys[i - 1]}: a CSV too large for a rectangle is read in reading order only`);
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
  }
  // The last line feed, where it fits: without it the map converts alike.
  if (n < capacity) bytes[n++] = 10;
  return bytes.subarray(0, n);
}

// The file read byte by byte, as the page writes it and as spreadsheets
// keep it: its points' coordinates; or refused at the line and column of
// the first thing out of the way, everything before which is ASCII.
function scan(bytes) {
  const n = bytes.length, xs = new Uint32Array(n >> 2), ys = new Uint32Array(n >> 2);
  let at = bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf ? 3 : 0, count = 0, line = 1, start = at;
  const eol = (c) => c === 0x0a || c === 0x0d;
  const fault = () => refuse(line, `${LINE}, but ${at < n && !eol(bytes[at]) ? `${shownAt(bytes, at)} stands there`
    : "the line ends"}`, at - start + 1);
  // Up to 9 digits, no leading zero, maybe between quotes.
  const number = () => {
    const quoted = bytes[at] === 0x22;
    if (quoted) at++;
    const from = at;
    let v = 0;
    for (let c = bytes[at]; c >= 0x30 && c <= 0x39 && at - from < 9 && !(at > from && bytes[from] === 0x30); c = bytes[++at]) v = 10 * v + c - 0x30;
    if (at === from || (quoted && bytes[at] !== 0x22)) fault();
    if (quoted) at++;
    return v;
  };
  // A line's end, CR LF, LF or CR alone; or the file's.
  const end = () => {
    if (at < n && !eol(bytes[at])) return false;
    at += bytes[at] === 0x0d && bytes[at + 1] === 0x0a ? 2 : 1;
    line++;
    start = at;
    return true;
  };
  const head = bytes[at] === 0x22 ? [0x22, 0x78, 0x22, 0x2c, 0x22, 0x79, 0x22] : [0x78, 0x2c, 0x79];
  if (!head.every((c, i) => bytes[at + i] === c) || (at += head.length, !end())) refuse(1, "the first line is not \"x,y\"");
  while (at < n) {
    if (eol(bytes[at])) {  // blank lines, only at the end
      let past = at;
      while (eol(bytes[past])) past++;
      if (past === n) break;
      fault();
    }
    const x = number();
    if (bytes[at] !== 0x2c) fault();
    at++;
    const y = number();
    if (!end()) fault();
    xs[count] = x;
    ys[count++] = y;
  }
  return { xs, ys, count };
}

function read(bytes, { capacity }) {
  const points = scan(bytes), { xs, ys, count } = points;
  let w = 0, h = 0;
  for (let i = 0; i < count; i++) {
    if (xs[i] >= w) w = xs[i] + 1;
    if (ys[i] >= h) h = ys[i] + 1;
  }
  if (mapSize(w, h) - 1 > capacity) return { trimmed: { w, h, bytes: trimmed(points, capacity) } };
  return { listing: { w, h, body: pointLines(xs, ys, count), line: (k) => k } };
}

export default {
  name: "csv", title: "CSV", label: "CSV of the listing", ext: ".csv", type: "text/csv", text: true, from: "a CSV file",
  sniff: (bytes) => /^("x","y"|x,y)/.test(headOf(bytes)),
  write: ({ body, points, eol }) => csvLines(body, points, `x,y${eol}`, eol),
  read,
};
