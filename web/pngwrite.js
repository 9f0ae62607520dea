// The map as a PNG, a pixel a cell: marked black, blank white, and
// transparent past the end of a row shorter than the widest. The same map
// gives the same file in every engine: a browser's own compressor differs
// from engine to engine, so the zlib data is pako's, zlib in plain
// JavaScript, with fixed options. Of zlib's strategies, two are tried:
// its usual matching, which finds the repeated rows of a drawn map, and
// Huffman codes alone, a third shorter on random or sparse cells, whose
// short matches cost more than the bytes they stand for.
//
// Indices into a palette of black and white: one bit a pixel, or two when
// some row is short, with a third entry, a transparent white. No row is
// filtered: on indices of a bit or two, PNG's filters leave the data
// harder to compress, not easier.
import { constants, deflate } from "pako";
import { join } from "./bytes.js";
import { crc } from "./png.js";

const MARKED = 0, BLANK = 1, NONE = 2;

function chunk(type, body) {
  const c = new Uint8Array(12 + body.length), v = new DataView(c.buffer);
  v.setUint32(0, body.length);
  for (let i = 0; i < 4; i++) c[4 + i] = type.charCodeAt(i);
  c.set(body, 8);
  v.setUint32(8 + body.length, crc(c, 4, 8 + body.length));
  return c;
}

const smaller = (a, b) => b.length < a.length ? b : a;

// The PNG of rows of cells: cells[rowStart[y] + x] is 1 where (x, y) is
// marked, for x below the row's length; w is the widest row's.
export function pngOf({ w, h, rowStart, cells }) {
  let even = true;
  for (let y = 0; y < h && even; y++) even = rowStart[y + 1] - rowStart[y] === w;
  const depth = even ? 1 : 2, per = 8 / depth, stride = Math.ceil(w / per) + 1, raw = new Uint8Array(stride * h);
  for (let y = 0; y < h; y++) {
    const start = rowStart[y], n = rowStart[y + 1] - start, at = y * stride + 1;
    for (let x = 0; x < w; x++) {
      const v = x >= n ? NONE : cells[start + x] ? MARKED : BLANK, k = x % per;
      raw[at + (x - k) / per] |= v << (8 - depth - depth * k);
    }
  }
  const head = new Uint8Array(13), v = new DataView(head.buffer);
  v.setUint32(0, w);
  v.setUint32(4, h);
  head.set([depth, 3, 0, 0, 0], 8);  // a palette, deflate, no filter, no interlace
  const palette = [0, 0, 0, 255, 255, 255, ...(even ? [] : [255, 255, 255])];
  return join(Uint8Array.of(137, 80, 78, 71, 13, 10, 26, 10), chunk("IHDR", head), chunk("PLTE", Uint8Array.from(palette)),
    ...(even ? [] : [chunk("tRNS", Uint8Array.of(255, 255, 0))]),
    chunk("IDAT", smaller(deflate(raw), deflate(raw, { strategy: constants.Z_HUFFMAN_ONLY }))), chunk("IEND", new Uint8Array(0)));
}
