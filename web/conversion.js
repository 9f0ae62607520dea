// The conversion: the tool's own code, compiled to WebAssembly. The page
// hands it the map's bytes and takes back the listing, byte for byte as the
// tool writes it, or the tool's message; then the map's cells, laid out by
// the same walk over the text, with where each one's byte is. Nothing here
// reads a map in JavaScript.
import { decoder } from "./page.js";

// The build puts the module here, as base64, at the end of its line: the
// minified script's other columns, which its source map gives, stay put.
const WASM = `@GRIDPIN_WASM@
`.trim();

// The few system calls that its C library links in are never made; were
// one made, it would be told "not supported". The browser's own base64
// decoder where it has one: a call a character costs a phone tens of ms.
const { instance } = await WebAssembly.instantiate(
  Uint8Array.fromBase64?.(WASM) ?? Uint8Array.from(atob(WASM), (c) => c.charCodeAt(0)),
  { wasi_snapshot_preview1: new Proxy({}, { get: () => () => 52 }) });
const gp = instance.exports;
gp._initialize();

export const CAPACITY = gp.capacity();
export const LISTING_CAPACITY = gp.listingCapacity();
// Columns of the listing's header line before its line feed.
export const HEADER_WIDTH = gp.headerWidth();

// Where each field of what a layout found (exports.cpp's LaidOut, whose
// layout a static_assert there pins) lies, each a 32-bit word.
const LAID = { ok: 0, at: 4, wid: 8, hgt: 12, size: 16 };
if (gp.laidSize() !== LAID.size) throw new Error("the conversion's layout result is not the one the page reads");

// Views into the module's memory. Its images are static and nothing in it
// allocates, so the memory never grows; were it to grow, every view made
// before would be left on a detached buffer, empty. That is checked, not
// assumed: a view is used only while the memory is the one it was made of.
const memory = gp.memory.buffer;
export function checkMemory() {
  if (gp.memory.buffer !== memory) throw new Error("the conversion's memory grew under the page's views of it");
}
const bytesAt = (ptr, len) => new Uint8Array(memory, ptr, len);
const wordsAt = (ptr, len) => new Uint32Array(memory, ptr, len);
const cString = (ptr) => {
  const b = new Uint8Array(memory, ptr);
  return decoder.decode(b.subarray(0, b.indexOf(0)));
};

// The listing image holds one thing at a time: the listing of the last
// map converted, or a listing file being read back. Each conversion's
// listing is a view of it, good while its era is the image's.
let era = 0;
export const isCurrent = (out) => out.era === era;

// Conversions made, for the page's test: a stroke converts once, at its end.
let conversions = 0;

// Converts the map as the tool does, which reads one byte more than it
// converts, to tell a map too large. The listing is a view of the module's
// memory, good while isCurrent says so.
export function convert(bytes) {
  checkMemory();
  const n = Math.min(bytes.length, CAPACITY + 1);
  bytesAt(gp.input(), n).set(bytes.subarray(0, n));
  const refused = gp.convert(n) !== 0;
  document.body.dataset.conversions = ++conversions;
  return {
    era: ++era, n, refused, tooLarge: n > CAPACITY, message: cString(gp.message()), at: gp.refusedAt(),
    wid: gp.width(), hgt: gp.height(),
    listing: refused ? null : bytesAt(gp.listing(), gp.listingSize()),
    points: refused ? 0 : gp.points(),
  };
}

// The map's cells as the same walk meets them, row by row, without a
// listing: cells[rowStart[y] + x] is 1 where (x, y) is marked, cellAt[...]
// the offset of its byte, and rowEnd[y] where the row's line ends. A
// refused map is laid out up to the refused byte, whose cell comes after
// the last row's last cell. Rows whose width is not the map's are uneven.
export function layOut(bytes) {
  checkMemory();
  const laid = { rows: 0, cols: 0, refused: true, refusedAt: 0, refusedCell: null, wid: 0, hgt: 0 };
  let rows = 0;
  if (bytes.length <= CAPACITY) {
    bytesAt(gp.input(), bytes.length).set(bytes);
    rows = gp.layOut(bytes.length);
    const found = new DataView(memory, gp.laid(), LAID.size), word = (field) => found.getUint32(LAID[field], true);
    Object.assign(laid, { rows, refused: !word("ok"), refusedAt: word("at"), wid: word("wid"), hgt: word("hgt") });
  }
  const rowStart = wordsAt(gp.rowStarts(), rows + 1), n = rowStart[rows];
  Object.assign(laid, {
    rowStart, rowEnd: wordsAt(gp.rowEnds(), rows), cells: bytesAt(gp.cells(), n), cellAt: wordsAt(gp.cellAt(), n),
    uneven: new Uint8Array(rows), unevenRows: [],
  });
  if (laid.refused && rows > 0) laid.refusedCell = { x: n - rowStart[rows - 1], y: rows - 1 };
  for (let y = 0; y < rows; y++) {
    const len = rowStart[y + 1] - rowStart[y];
    laid.cols = Math.max(laid.cols, len);
    if (!laid.refused && len !== laid.wid) {
      laid.uneven[y] = 1;
      laid.unevenRows.push(y);
    }
  }
  if (laid.refusedCell) laid.cols = Math.max(laid.cols, laid.refusedCell.x + 1);
  return laid;
}

// A coordinate listing read back into the map that converts to it: the
// map's bytes, or the line that refuses the listing (0: the whole file)
// and why. The listing's bytes go into the listing image, so the listing
// of the map before is no longer current; its map comes out of the input
// image.
export function readListing(bytes) {
  checkMemory();
  era++;
  const n = Math.min(bytes.length, LISTING_CAPACITY + 1);
  bytesAt(gp.listing(), n).set(bytes.subarray(0, n));
  const size = gp.readListing(n);
  return size < 0 ? { line: gp.readLine(), reason: cString(gp.readReason()) } : { bytes: bytesAt(gp.input(), size).slice() };
}
