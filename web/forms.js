// The map in the forms other programs take, beside the listing: a PNG, a
// pixel a cell; JSON and CSV of the listing's own numbers; and a C header
// of packed bits. Each is made from the conversion's listing and layout,
// never by reading the map text here again; the text forms end their
// lines as the listing's choice says. JSON, CSV and the page's own C form
// open again as maps: JSON and CSV through the listing's reader, so that
// what it refuses they refuse, on their own lines.
import { $, count, decoder, encoder, join, save, stem } from "./page.js";
import { CAPACITY, HEADER_WIDTH, readListing } from "./conversion.js";
import { current, extent, layout, map, replace } from "./document.js";
import { crlf } from "./listing.js";
import { blockBytes, mapSize } from "./block.js";
import { pngOf } from "./pngwrite.js";

const eol = () => crlf() ? "\r\n" : "\n";
const chosen = () => FORMS[$("form").value];

// The listing's points, each "[x,y]\n", written as open x comma y close,
// with sep between two points.
function points(listing, open, comma, close, sep) {
  const [o, c, e, s] = [open, comma, close, sep].map((t) => encoder.encode(t));
  const out = new Uint8Array(2 * listing.length + 16);
  let n = 0, first = true;
  const put = (b) => { out.set(b, n); n += b.length; };
  for (let i = HEADER_WIDTH + 1; i < listing.length; i++) {
    const b = listing[i];
    if (b === 0x5b) {
      if (!first) put(s);
      first = false;
      put(o);
    } else if (b === 0x2c) put(c);
    else if (b === 0x5d) put(e);
    else if (b !== 10) out[n++] = b;
  }
  return out.subarray(0, n);
}

// The stem of the map's name as a C identifier: a run of anything else
// becomes one underscore; one that starts with a digit or is a keyword
// gets "map".
const KEYWORDS = new Set(("auto break case char const continue default do double else enum extern float for goto if " +
  "inline int long register restrict return short signed sizeof static struct switch typedef union unsigned void " +
  "volatile while bool true false nullptr").split(" "));
function identifier(name) {
  const id = stem(name).replace(/[^A-Za-z0-9_]+/g, "_").replace(/^_+|_+$/g, "");
  if (!id) return "map";
  if (/^[0-9]/.test(id)) return `map_${id}`;
  return KEYWORDS.has(id) ? `${id}_map` : id;
}

const HEX = Array.from({ length: 256 }, (_, b) => `0x${b.toString(16).padStart(2, "0")}`);

// Each row of the listing in ceil(W / 8) bytes, W the widest row's cells,
// the leftmost cell in the most significant bit, cells past the row's end 0.
function header() {
  const { w, h } = extent(), id = identifier(map.name), n = Math.ceil(w / 8), e = eol(), lines = [];
  lines.push(`/* ${id}: ${w} by ${h} cells, a bit a cell, 1 marked; each row in ${count(n, "byte")}, ` +
    "its leftmost cell in the most significant bit. */", `#define ${id}_WIDTH ${w}`, `#define ${id}_HEIGHT ${h}`,
    `static const unsigned char ${id}[] = {`);
  const row = new Uint8Array(n);
  for (let y = 0; y < h; y++) {
    row.fill(0);
    const start = layout.rowStart[y], len = layout.rowStart[y + 1] - start;
    for (let x = 0; x < len; x++) if (layout.cells[start + x]) row[x >> 3] |= 0x80 >> (x & 7);
    lines.push(`    ${Array.from(row, (b) => HEX[b]).join(", ")},`);
  }
  lines.push("};", "");
  return encoder.encode(lines.join(e));
}

// What each form needs besides a map the tool converts: PNG and C a cell.
const FORMS = {
  png: { name: "PNG", ext: ".png", cells: true, make: () => pngOf({ ...extent(), ...layout }) },
  json: { name: "JSON", ext: ".json", text: true,
    make: (out) => join(`{"width": ${out.wid}, "height": ${out.hgt}, "points": [`, points(out.listing, "[", ", ", "]", ", "),
      `]}${eol()}`) },
  csv: { name: "CSV", ext: ".csv", text: true, make: (out) => join(`x,y${eol()}`, points(out.listing, "", ",", eol(), "")) },
  c: { name: "C", ext: ".h", text: true, cells: true, make: header },
};

// Why the chosen form cannot be had now, or "".
export function unready(copy = false) {
  const form = chosen(), out = current();
  if (out.refused) return "The map is refused: it has no listing, and no other form either";
  if (form.cells && out.hgt === 0) return `An empty map has no ${form.name} form`;
  if (copy && !form.text) return "A PNG is a picture, not text: download it";
  return "";
}

function made() {
  const t0 = performance.now(), form = chosen(), bytes = form.make(current());
  document.body.dataset.formMs = performance.now() - t0;
  return { form, bytes };
}

export function downloadForm() {
  const { form, bytes } = made();
  save(bytes, (stem(map.name) || "map") + form.ext);
}

export async function copyForm() {
  const { form, bytes } = made();
  try {
    await navigator.clipboard.writeText(decoder.decode(bytes));
    $("form-note").textContent = `Copied the map as ${form.name}, ${count(bytes.length, "byte")}.`;
  } catch {
    $("form-note").textContent = `This browser did not take the text: download the ${form.name} instead.`;
  }
}

// The buttons say the form they act on, and whether it can be had.
export function startForms(showButtons) {
  const label = () => {
    const { name } = chosen();
    $("form-download").textContent = `Download ${name}`;
    $("form-copy").textContent = `Copy ${name} as text`;
    $("form-note").textContent = "";
  };
  $("form").addEventListener("change", () => {
    label();
    showButtons();
  });
  label();
}

// Reading back. A form is told by its file's name or its first bytes.
export function formOf(name, bytes) {
  const head = decoder.decode(bytes.subarray(0, 16)).replace(/^\ufeff/, "");
  if (/\.json$/i.test(name) || /^\s*\{/.test(head)) return "json";
  if (/\.csv$/i.test(name) || head.startsWith("x,y")) return "csv";
  if (/\.h$/i.test(name) || /^(\/\*|#define|static )/.test(head)) return "c";
  return null;
}

class Refusal {
  constructor(line, reason) { Object.assign(this, { line, reason }); }
}
const refuse = (line, reason) => { throw new Refusal(line, reason); };

// {"width": W, "height": H, "points": [[x, y], ...]}, in any order and
// any white space JSON allows; its size and points are a listing's, and
// lines[i] the JSON's line for the listing's line i + 1.
function fromJSON(text) {
  let at = 0, line = 1;
  const ws = () => { for (; at < text.length && " \t\r\n".includes(text[at]); at++) if (text[at] === "\n") line++; };
  const found = () => at >= text.length ? "the text ends" : `“${String.fromCodePoint(text.codePointAt(at))}” stands there`;
  const expect = (c) => {
    ws();
    if (text[at] !== c) refuse(line, `“${c}” expected, but ${found()}`);
    at++;
  };
  const number = (what) => {
    ws();
    const re = /0|[1-9][0-9]*/y;
    re.lastIndex = at;
    const m = re.exec(text);
    if (!m || /[0-9.eE+-]/.test(text[at + m[0].length] ?? "")) refuse(line, `${what} is not a whole number, 0 or more`);
    at += m[0].length;
    return m[0];
  };
  const seen = {};
  expect("{");
  do {
    ws();
    const re = /"([a-z]*)"/y;
    re.lastIndex = at;
    const key = re.exec(text)?.[1];
    if (!["width", "height", "points"].includes(key)) refuse(line, `"width", "height" or "points" expected, but ${found()}`);
    if (seen[key]) refuse(line, `"${key}" comes twice`);
    at += key.length + 2;
    expect(":");
    ws();
    if (key !== "points") {
      seen[key] = { value: number(key), line };
      ws();
      continue;
    }
    seen.points = [];
    expect("[");
    ws();
    if (text[at] === "]") at++;
    else {
      do {
        ws();
        const point = { line };
        expect("[");
        point.x = number("x");
        expect(",");
        point.y = number("y");
        expect("]");
        seen.points.push(point);
        ws();
      } while (text[at] === "," && ++at);
      expect("]");
    }
    ws();
  } while (text[at] === "," && ++at);
  expect("}");
  ws();
  if (at < text.length) refuse(line, `the object has ended, but ${found()}`);
  for (const key of ["width", "height", "points"]) if (!seen[key]) refuse(0, `there is no "${key}"`);
  return { w: seen.width.value, h: seen.height.value, points: seen.points, lines: [seen.width.line, ...seen.points.map((p) => p.line)] };
}

// A line "x,y", then a line "x,y" a point. CSV has no size: the map is
// the smallest that holds the points, each row as wide as the widest.
function fromCSV(text) {
  const rows = text.split("\n");
  if (rows.at(-1) === "") rows.pop();
  const lines = rows.map((r) => r.replace(/\r$/, ""));
  if (lines[0] !== "x,y") refuse(1, "the first line is not \"x,y\"");
  let w = 0, h = 0;
  const points = lines.slice(1).map((l, i) => {
    const m = /^(0|[1-9][0-9]{0,8}),(0|[1-9][0-9]{0,8})$/.exec(l);
    if (!m) refuse(i + 2, "the line is not \"x,y\": two whole numbers, 0 or more, below a billion, and a comma between");
    w = Math.max(w, +m[1] + 1);
    h = Math.max(h, +m[2] + 1);
    return { x: m[1], y: m[2] };
  });
  return { w: String(w), h: String(h), points, lines: lines.map((_, i) => i + 1) };
}

// The listing of a size and points, read back into its map; a refusal
// on the form's own line.
function throughListing({ w, h, points: list, lines }) {
  const listing = [`[${w},${h}] // map size`.padEnd(HEADER_WIDTH), ...list.map((p) => `[${p.x},${p.y}]`), ""].join("\n");
  const read = readListing(encoder.encode(listing));
  if (read.bytes) return read.bytes;
  return refuse(read.line ? lines[read.line - 1] : 0, read.reason);
}

// The page's own C form, line for line, either line end.
function fromC(text) {
  const lines = text.split("\n").map((l) => l.replace(/\r$/, ""));
  if (lines.at(-1) === "") lines.pop();
  if (!/^\/\*.*\*\/$/.test(lines[0] ?? "")) refuse(1, "the first line is not a comment /* ... */");
  const width = /^#define ([A-Za-z_][A-Za-z0-9_]*)_WIDTH ([1-9][0-9]{0,6})$/.exec(lines[1] ?? "");
  if (!width) refuse(2, "the line is not \"#define NAME_WIDTH\" and a width, 1 or more");
  const id = width[1], w = +width[2];
  const height = new RegExp(`^#define ${id}_HEIGHT ([1-9][0-9]{0,6})$`).exec(lines[2] ?? "");
  if (!height) refuse(3, `the line is not "#define ${id}_HEIGHT" and a height, 1 or more`);
  const h = +height[1];
  if (mapSize(w, h) > CAPACITY) {
    refuse(3, `${w} by ${h} cells would take ${count(mapSize(w, h), "byte")}, more than the ${CAPACITY.toLocaleString("en")} a map holds`);
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
  return blockBytes({ w, h, cells });
}

const READERS = { json: (t) => throughListing(fromJSON(t)), csv: (t) => throughListing(fromCSV(t)), c: fromC };
const FROM = { json: "a JSON file", csv: "a CSV file", c: "a C header" };
const LIMIT = 64 << 20;  // a JSON file of a map's million points takes about 11 MB

// A file in one of these forms, opened as its map; or why not, on which
// line, and the map in the page as it was.
export async function openForm(file, form) {
  const said = (why) => {
    $("opened").textContent = `${file.name} cannot be read as ${FORMS[form].name} in the form this page writes: ${why}. ` +
      "The map in the page is as it was.";
  };
  if (file.size > LIMIT) return said(`it holds ${count(file.size, "byte")}, more than the ${count(LIMIT, "byte")} read`);
  try {
    const text = decoder.decode(await file.arrayBuffer()).replace(/^\ufeff/, "");
    replace(READERS[form](text), stem(file.name) + ".map", FROM[form]);
  } catch (e) {
    if (!(e instanceof Refusal)) throw e;
    said(`${e.line ? `line ${e.line}: ` : ""}${e.reason}`);
  }
}
