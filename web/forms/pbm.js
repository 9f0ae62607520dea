// PBM, netpbm's bitmap: plain (P1), a digit a cell, 1 marked (black), its
// lines no longer than 70 characters; or raw (P4), each row in
// ceil(W / 8) bytes, the leftmost cell in the most significant bit. Cells
// past a short row's end 0. Either is read by either form.
import { count, encoder, join } from "../bytes.js";
import { refuse, shownAt, textOf } from "./text.js";
import { packed, unpacked } from "./bits.js";
import { fitting } from "./fit.js";

const LINE = 70;

// Written straight into the file's bytes: a piece of text a line costs a
// large map thousands of small arrays.
function plain(map) {
  const { w, h, rowStart, cells, eol } = map, head = encoder.encode(`P1${eol}${w} ${h}${eol}`), end = encoder.encode(eol);
  const out = new Uint8Array(head.length + h * (w + Math.ceil(w / LINE) * end.length));
  out.set(head);
  let n = head.length;
  for (let y = 0; y < h; y++) {
    const start = rowStart[y], len = rowStart[y + 1] - start;
    for (let x = 0; x < w; x++) {
      out[n++] = x < len ? 48 + cells[start + x] : 48;
      if ((x + 1) % LINE === 0 || x === w - 1) for (const b of end) out[n++] = b;
    }
  }
  return out;
}

const raw = (map) => join(`P4\n${map.w} ${map.h}\n`, ...packed(map, "msb"));

const ws = (b) => b === 32 || b === 9 || b === 10 || b === 13 || b === 11 || b === 12;

function read(bytes, { capacity }) {
  let at = 0, line = 1, start = 0;
  const column = () => at - start + 1;
  const skip = () => {
    while (at < bytes.length) {
      if (bytes[at] === 35) while (at < bytes.length && bytes[at] !== 10) at++;
      else if (!ws(bytes[at])) return;
      else if (bytes[at++] === 10) { line++; start = at; }
    }
  };
  const stands = () => at < bytes.length ? `${shownAt(bytes, at)} stands there` : "the file ends";
  const number = (what) => {
    skip();
    const from = at;
    while (at < bytes.length && bytes[at] >= 48 && bytes[at] <= 57 && at - from < 8) at++;
    const v = Number(textOf(bytes.subarray(from, at)));
    if (at === from || !(v >= 1)) refuse(line, `${what}, a whole number from 1 to 9,999,999, expected, but ${(at = from, stands())}`, from - start + 1);
    return v;
  };
  const magic = bytes[0] === 80 && (bytes[1] === 49 || bytes[1] === 52) ? bytes[1] - 48 : refuse(1, "the file does not start “P1” or “P4”", 1);
  at = 2;
  const w = number("the width"), h = number("the height");
  let cells;
  if (magic === 4) {
    if (!ws(bytes[at])) refuse(line, `a space or line end expected after the height, but ${stands()}`, column());
    const n = h * Math.ceil(w / 8), data = bytes.subarray(at + 1, at + 1 + n);
    if (data.length < n) refuse(line, `the rows take ${count(n, "byte")}, but the file ends after ${data.length.toLocaleString("en")}`);
    ({ cells } = unpacked(data, w, h, "msb"));
  } else {
    cells = new Uint8Array(w * h);
    for (let i = 0; i < cells.length; i++) {
      skip();
      const b = bytes[at];
      if (b !== 48 && b !== 49) refuse(line, `cell ${i % w} of row ${Math.floor(i / w)}: “0” or “1” expected, but ${stands()}`, column());
      cells[i] = b - 48;
      at++;
    }
    skip();
    if (at < bytes.length) refuse(line, `there is more after the picture's ${count(h, "row")}: ${stands()}`, column());
  }
  return { block: fitting({ w, h, cells }, capacity) };
}

const sniff = (b) => b[0] === 80 && (b[1] === 49 || b[1] === 52) && ws(b[2] ?? 32);
const PBM = { title: "PBM", ext: ".pbm", type: "image/x-portable-bitmap", cells: true, from: "a PBM bitmap", sniff, read };
export const plainPBM = { ...PBM, name: "pbm", label: "PBM, plain (P1)", text: true, write: plain };
export const rawPBM = { ...PBM, name: "pbm-raw", title: "raw PBM", label: "PBM, raw (P4)", write: raw };
