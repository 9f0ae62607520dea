// The conversion: the tool's own code, compiled to WebAssembly. The page
// hands it the map's bytes and takes back the listing, byte for byte as the
// tool writes it, or the tool's message; then the map's cells, laid out by
// the same walk over the text, with where each one's byte is. Nothing here
// reads a map in JavaScript.
import { decoder } from "./page.js";

const WASM = "@GRIDPIN_WASM@";

// The few system calls that its C library links in are never made; were
// one made, it would be told "not supported".
const { instance } = await WebAssembly.instantiate(
  Uint8Array.from(atob(WASM), (c) => c.charCodeAt(0)),
  { wasi_snapshot_preview1: new Proxy({}, { get: () => () => 52 }) });
const gp = instance.exports;
gp._initialize();

export const CAPACITY = gp.capacity();
const bytesAt = (ptr, len) => new Uint8Array(gp.memory.buffer, ptr, len);
const wordsAt = (ptr, len) => new Uint32Array(gp.memory.buffer, ptr, len);
const cString = (ptr) => {
  const b = new Uint8Array(gp.memory.buffer, ptr);
  return decoder.decode(b.subarray(0, b.indexOf(0)));
};

// Conversions made, for the page's test: a stroke converts once, at its end.
let conversions = 0;

// Converts the map as the tool does, which reads one byte more than it
// converts, to tell a map too large. The listing is a view of the module's
// memory, good until the next conversion.
export function convert(bytes) {
  const n = Math.min(bytes.length, CAPACITY + 1);
  bytesAt(gp.input(), n).set(bytes.subarray(0, n));
  const refused = gp.convert(n) !== 0;
  document.body.dataset.conversions = ++conversions;
  return {
    n, refused, tooLarge: n > CAPACITY, message: cString(gp.message()), at: gp.refusedAt(),
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
  const pic = { rows: 0, cols: 0, refused: true, refusedAt: 0, refusedCell: null, wid: 0, hgt: 0 };
  let rows = 0;
  if (bytes.length <= CAPACITY) {
    bytesAt(gp.input(), bytes.length).set(bytes);
    rows = gp.picture(bytes.length);
    const [ok, at, wid, hgt] = wordsAt(gp.laid(), 4);
    Object.assign(pic, { rows, refused: !ok, refusedAt: at, wid, hgt });
  }
  const rowStart = wordsAt(gp.rowStarts(), rows + 1), n = rowStart[rows];
  Object.assign(pic, {
    rowStart, rowEnd: wordsAt(gp.rowEnds(), rows), cells: bytesAt(gp.cells(), n), cellAt: wordsAt(gp.cellAt(), n),
    uneven: new Uint8Array(rows), unevenRows: [],
  });
  if (pic.refused && rows > 0) pic.refusedCell = { x: n - rowStart[rows - 1], y: rows - 1 };
  for (let y = 0; y < rows; y++) {
    const len = rowStart[y + 1] - rowStart[y];
    pic.cols = Math.max(pic.cols, len);
    if (!pic.refused && len !== pic.wid) {
      pic.uneven[y] = 1;
      pic.unevenRows.push(y);
    }
  }
  if (pic.refusedCell) pic.cols = Math.max(pic.cols, pic.refusedCell.x + 1);
  return pic;
}

// A coordinate listing read back into the map that converts to it: the
// map's bytes, or the line that refuses the listing (0: the whole file)
// and why. The listing's bytes go into the listing image, its map comes
// out of the input image.
export const LISTING_CAPACITY = gp.listingCapacity();
export function readListing(bytes) {
  const n = Math.min(bytes.length, LISTING_CAPACITY + 1);
  bytesAt(gp.listing(), n).set(bytes.subarray(0, n));
  const size = gp.readListing(n);
  return size < 0 ? { line: gp.readLine(), reason: cString(gp.readReason()) } : { bytes: bytesAt(gp.input(), size).slice() };
}
