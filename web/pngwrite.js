// The map as a PNG, a pixel a cell: marked black, blank white, and
// transparent past the end of a row shorter than the widest. The same map
// gives the same file in every engine: a browser's own compressor differs
// from engine to engine, so the zlib data is pako's, zlib in plain
// JavaScript, with fixed options. Of zlib's strategies, two serve: its
// usual matching, which finds the repeated rows and patterns of a drawn or
// dithered map, and Huffman codes alone, a third shorter on random or
// sparse cells, whose short matches cost more than the bytes they stand
// for. The matching, which costs a page several times as much on noise,
// is tried only where a quick look finds long repeats, and then the
// smaller of the two is kept.
//
// Indices into a palette of black and white: one bit a pixel, or two when
// some row is short, with a third entry, a transparent white. No row is
// filtered: on indices of a bit or two, PNG's filters leave the data
// harder to compress, not easier.
import { constants, deflate } from "pako";
import { join } from "./bytes.js";
import { crc } from "./png.js";
import { packed } from "./forms/bits.js";

const MARKED = 0, BLANK = 1, NONE = 2;

function chunk(type, body) {
  const c = new Uint8Array(12 + body.length), v = new DataView(c.buffer);
  v.setUint32(0, body.length);
  for (let i = 0; i < 4; i++) c[4 + i] = type.charCodeAt(i);
  c.set(body, 8);
  v.setUint32(8 + body.length, crc(c, 4, 8 + body.length));
  return c;
}

// The share of the data that repeats what came before in runs of 8
// bytes or more, within zlib's window: each place looked up once by its
// next 4 bytes, a greedy parse such as zlib's at its quickest. Noise has
// none; a drawn map, a pattern or a sparse field has most of it covered.
function repeats(raw) {
  const last = new Int32Array(1 << 14).fill(-1);
  let covered = 0;
  for (let i = 0; i + 3 < raw.length;) {
    const key = ((raw[i] << 16 | raw[i + 1] << 8 | raw[i + 2]) * 2654435761 >>> 18 ^ raw[i + 3]) & 16383, from = last[key];
    last[key] = i;
    let len = 0;
    if (from >= 0 && i - from <= 32768) while (len < 258 && i + len < raw.length && raw[from + len] === raw[i + len]) len++;
    if (len >= 8) {
      covered += len;
      i += len;
    } else i++;
  }
  return covered / raw.length;
}

// The bytes that the data would come to at best, coded a byte at a time:
// its entropy by the bytes' counts.
function entropy(raw) {
  const counts = new Uint32Array(256);
  for (let i = 0; i < raw.length; i++) counts[raw[i]]++;
  let bits = 0;
  for (const c of counts) if (c) bits -= c * Math.log2(c / raw.length);
  return bits / 8;
}

// The rows' indices after each row's filter byte (0: none). A byte holds
// 8 cells, or 4 of a map with short rows.
function indices(map, even) {
  const { w, h, rowStart, cells } = map, stride = Math.ceil(w / (even ? 8 : 4)) + 1, raw = new Uint8Array(stride * h);
  if (even) {
    // A marked cell is index 0, a blank one 1: the cells' bits as a C
    // header packs them, flipped, the last byte's bits past the row 0.
    const pad = (0xff00 >> (w % 8 || 8)) & 255;
    packed(map, "msb").forEach((line, y) => {
      for (let i = 0, at = y * stride + 1; i < line.length; i++) raw[at + i] = ~line[i] & 255;
      raw[y * stride + line.length] &= pad;
    });
    return raw;
  }
  for (let y = 0; y < h; y++) {
    const at = y * stride + 1, len = rowStart[y + 1] - rowStart[y];
    for (let x = 0, c = rowStart[y]; x < w; x++, c++) {
      raw[at + (x >> 2)] |= (x >= len ? NONE : cells[c] ? MARKED : BLANK) << (6 - 2 * (x & 3));
    }
  }
  return raw;
}

// The PNG of rows of cells: cells[rowStart[y] + x] is 1 where (x, y) is
// marked, for x below the row's length; w is the widest row's.
export function pngOf(map) {
  const { w, h, rowStart } = map;
  let even = true;
  for (let y = 0; y < h && even; y++) even = rowStart[y + 1] - rowStart[y] === w;
  const raw = indices(map, even), head = new Uint8Array(13), v = new DataView(head.buffer);
  v.setUint32(0, w);
  v.setUint32(4, h);
  head.set([even ? 1 : 2, 3, 0, 0, 0], 8);  // a palette, deflate, no filter, no interlace
  const palette = [0, 0, 0, 255, 255, 255, ...(even ? [] : [255, 255, 255])];
  const huffman = () => deflate(raw, { strategy: constants.Z_HUFFMAN_ONLY }), matched = repeats(raw) >= 0.2 && deflate(raw);
  // Noise that Huffman codes would shorten by under a hundredth is stored
  // as it is: smaller still once the codes' own tables count, and at once.
  const data = matched ? [matched, huffman()].reduce((a, b) => b.length < a.length ? b : a)
    : entropy(raw) >= 0.99 * raw.length ? deflate(raw, { level: 0 }) : huffman();
  return join(Uint8Array.of(137, 80, 78, 71, 13, 10, 26, 10), chunk("IHDR", head), chunk("PLTE", Uint8Array.from(palette)),
    ...(even ? [] : [chunk("tRNS", Uint8Array.of(255, 255, 0))]), chunk("IDAT", data), chunk("IEND", new Uint8Array(0)));
}
