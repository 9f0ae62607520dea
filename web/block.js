// Blocks of cells, grids of states: flipped and rotated, written as text
// and read back from text (placing.js reads them from the map and places
// them on it). Pasted, a short line of text leaves the positions past its
// end as they are.
import { DOT, LF, O } from "./edits.js";

export const AS_IS = 2;  // a position a block leaves as it is

// The bytes of a map of h rows of w cells, each row ended by eol.
export const mapSize = (w, h, eol = LF) => h * (w + eol.length);

// The box whose corners are the cells a and b.
export function boxOf(a, b) {
  const x = Math.min(a.x, b.x), y = Math.min(a.y, b.y);
  return { x, y, w: Math.max(a.x, b.x) - x + 1, h: Math.max(a.y, b.y) - y + 1 };
}

// The block with its blank cells left out: only its marked cells write.
export const markedOnly = ({ w, h, cells }) => ({ w, h, cells: cells.map((v) => v === 0 ? AS_IS : v) });

// As map text: a line of O and . a row, each ended by eol.
export function blockBytes({ w, h, cells }, eol = LF) {
  const bytes = new Uint8Array(mapSize(w, h, eol));
  for (let j = 0, at = 0; j < h; j++) {
    for (let i = 0; i < w; i++) bytes[at++] = cells[j * w + i] === 1 ? O : DOT;
    bytes.set(eol, at);
    at += eol.length;
  }
  return bytes;
}

const NAMES = { " ": "a space", "\t": "a tab", "\r": "a carriage return" };

// Text of O, . and line ends (LF or CR LF, the last one may be missing)
// as a block; or what in it is neither, at which line and column.
export function parseBlock(text) {
  const lines = text.split("\n");
  if (lines.at(-1) === "") lines.pop();
  for (const [j, line] of lines.entries()) {
    const chars = [...line.replace(/\r$/, "")];
    const i = chars.findIndex((c) => c !== "O" && c !== ".");
    if (i >= 0) {
      const c = chars[i], code = c.codePointAt(0).toString(16).toUpperCase().padStart(4, "0");
      return { error: `${NAMES[c] ?? `“${c}”`} (U+${code}) at line ${j + 1}, column ${i + 1}`, char: c };
    }
  }
  const rows = lines.map((l) => l.replace(/\r$/, ""));
  const w = Math.max(0, ...rows.map((r) => r.length)), h = rows.length, cells = new Uint8Array(w * h).fill(AS_IS);
  rows.forEach((r, j) => { for (let i = 0; i < r.length; i++) cells[j * w + i] = r[i] === "O" ? 1 : 0; });
  return { w, h, cells };
}

// Flipped left for right (across) or top for bottom.
export function flipped({ w, h, cells }, across) {
  const out = new Uint8Array(w * h);
  for (let j = 0; j < h; j++) {
    for (let i = 0; i < w; i++) out[j * w + i] = across ? cells[j * w + w - 1 - i] : cells[(h - 1 - j) * w + i];
  }
  return { w, h, cells: out };
}

// A quarter turn clockwise: a w × h block becomes h × w.
export function rotated({ w, h, cells }) {
  const out = new Uint8Array(w * h);
  for (let j = 0; j < w; j++) for (let i = 0; i < h; i++) out[j * h + i] = cells[(h - 1 - i) * w + j];
  return { w: h, h: w, cells: out };
}
