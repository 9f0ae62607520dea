// A form's cells as a map text of at most `capacity` bytes: the
// rectangle, its last line feed left out where only that makes it fit
// (as a listing's map may leave it out); else each row ended at its last
// marked cell, or where the form says its row ends (a PNG's last pixel
// that is not transparent), but never before its first cell: an empty
// line is no row, and would move every row below it up.
import { blockBytes, mapSize } from "../block.js";
import { DOT, O } from "../edits.js";
import { refuse } from "./text.js";

function ends({ w, h, cells, ends: given }) {
  const out = new Uint32Array(h);
  for (let y = 0; y < h; y++) {
    let x = w;
    if (given) x = given[y];
    else while (x > 0 && cells[y * w + x - 1] !== 1) x--;
    out[y] = Math.max(x, 1);
  }
  return out;
}

const whole = ({ w, h }, capacity) => mapSize(w, h) - 1 <= capacity;

// A form's block, refused on the line given where it fits neither way.
// Its rows' ends, where they count, are kept with it for fitted to take.
export function fitting(block, capacity, line = 1) {
  if (whole(block, capacity) || (block.ends = ends(block)).reduce((n, e) => n + e + 1, 0) - 1 <= capacity) return block;
  return refuse(line, `${block.w} by ${block.h} cells would take more than the ${capacity.toLocaleString("en")} bytes a map holds`);
}

// { bytes, trimmed }, or null where the block does not fit either way.
export function fitted(block, capacity) {
  if (whole(block, capacity)) return { bytes: blockBytes(block).subarray(0, capacity), trimmed: false };
  const { w, cells } = block, e = ends(block), size = e.reduce((n, v) => n + v + 1, 0);
  if (size - 1 > capacity) return null;
  const bytes = new Uint8Array(Math.min(size, capacity));
  let at = 0;
  e.forEach((end, y) => {
    for (let x = 0; x < end; x++) bytes[at++] = cells[y * w + x] === 1 ? O : DOT;
    if (at < bytes.length) bytes[at++] = 10;
  });
  return { bytes, trimmed: true };
}

// What the page says of a form's map so made: its size, in its units,
// and where its rows end.
export const trimmedNote = (file, w, h, unit, end) =>
  `${file} is ${w} × ${h} ${unit}, more than a map holds as a rectangle: each row ends at its last ${end}.`;
