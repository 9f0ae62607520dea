// C, a header of packed bits: each row of the map in ceil(W / 8) bytes, W
// the widest row's cells, the leftmost cell in the most significant bit,
// cells past the row's end 0; its names the map's name made a C
// identifier. Read back only in the page's own shape, line for line,
// either line end.
import { count, encoder, stem } from "../bytes.js";
import { mapSize } from "../block.js";
import { headOf, refuse, textOf } from "./text.js";

// The stem of the map's name as a C identifier: a run of anything else
// becomes one underscore; one that starts with a digit or is a keyword
// gets "map".
const KEYWORDS = new Set(("auto break case char const continue default do double else enum extern float for goto if " +
  "inline int long register restrict return short signed sizeof static struct switch typedef union unsigned void " +
  "volatile while bool true false nullptr").split(" "));
export function identifier(name) {
  const id = stem(name).replace(/[^A-Za-z0-9_]+/g, "_").replace(/^_+|_+$/g, "");
  if (!id) return "map";
  if (/^[0-9]/.test(id)) return `map_${id}`;
  return KEYWORDS.has(id) ? `${id}_map` : id;
}

const HEX = Array.from({ length: 256 }, (_, b) => `0x${b.toString(16).padStart(2, "0")}`);

function write({ name, w, h, rowStart, cells, eol }) {
  const id = identifier(name), n = Math.ceil(w / 8), lines = [];
  lines.push(`/* ${id}: ${w} by ${h} cells, a bit a cell, 1 marked; each row in ${count(n, "byte")}, ` +
    "its leftmost cell in the most significant bit. */", `#define ${id}_WIDTH ${w}`, `#define ${id}_HEIGHT ${h}`,
    `static const unsigned char ${id}[] = {`);
  const row = new Uint8Array(n);
  for (let y = 0; y < h; y++) {
    row.fill(0);
    const start = rowStart[y], len = rowStart[y + 1] - start;
    for (let x = 0; x < len; x++) if (cells[start + x]) row[x >> 3] |= 0x80 >> (x & 7);
    lines.push(`    ${Array.from(row, (b) => HEX[b]).join(", ")},`);
  }
  lines.push("};", "");
  return encoder.encode(lines.join(eol));
}

// The map of a header in the page's own shape, { w, h, cells }, no larger
// than `capacity` bytes of map text.
function read(bytes, { capacity }) {
  const lines = textOf(bytes).split("\n").map((l) => l.replace(/\r$/, ""));
  if (lines.at(-1) === "") lines.pop();
  if (!/^\/\*.*\*\/$/.test(lines[0] ?? "")) refuse(1, "the first line is not a comment /* ... */");
  const width = /^#define ([A-Za-z_][A-Za-z0-9_]*)_WIDTH ([1-9][0-9]{0,6})$/.exec(lines[1] ?? "");
  if (!width) refuse(2, "the line is not \"#define NAME_WIDTH\" and a width, 1 or more");
  const id = width[1], w = +width[2];
  const height = new RegExp(`^#define ${id}_HEIGHT ([1-9][0-9]{0,6})$`).exec(lines[2] ?? "");
  if (!height) refuse(3, `the line is not "#define ${id}_HEIGHT" and a height, 1 or more`);
  const h = +height[1];
  if (mapSize(w, h) > capacity) {
    refuse(3, `${w} by ${h} cells would take ${count(mapSize(w, h), "byte")}, more than the ${capacity.toLocaleString("en")} a map holds`);
  }
  if (lines[3] !== `static const unsigned char ${id}[] = {`) refuse(4, `the line is not "static const unsigned char ${id}[] = {"`);
  const n = Math.ceil(w / 8), cells = new Uint8Array(w * h), row = new RegExp(`^\\s*(0x[0-9a-fA-F]{2}, ){${n - 1}}0x[0-9a-fA-F]{2},$`);
  for (let y = 0; y < h; y++) {
    const l = lines[4 + y] ?? "";
    if (l === "};" || !row.test(l)) refuse(5 + y, `row ${y} of ${h} is not ${count(n, "byte")} such as 0x0f, each followed by a comma`);
    const bytes = l.trim().split(",").slice(0, n).map((b) => parseInt(b, 16));
    if (w % 8 && bytes[n - 1] & (0xff >> (w % 8))) refuse(5 + y, `a bit past the row's ${w} cells is set`);
    for (let x = 0; x < w; x++) cells[y * w + x] = bytes[x >> 3] >> (7 - (x & 7)) & 1;
  }
  if (lines[4 + h] !== "};") refuse(5 + h, `“};” expected after the ${count(h, "row")}`);
  if (lines.length > 5 + h) refuse(6 + h, "there is more after the array's end");
  return { block: { w, h, cells } };
}

export default {
  name: "c", title: "C", label: "C header, a bit a cell", ext: ".h", type: "text/x-c", text: true, cells: true,
  from: "a C header",
  // By its bytes, only a header that starts as the page writes one: a
  // comment, then NAME_WIDTH; another C header is no map of this form.
  sniff: (bytes) => /^\/\*[^\n]*\*\/\r?\n#define ([A-Za-z_][A-Za-z0-9_]*)_WIDTH [0-9]/.test(headOf(bytes)),
  write,
  read,
};
