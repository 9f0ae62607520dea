// The map as a PNG, a pixel a cell: marked black, blank white, and
// transparent past the end of a row shorter than the widest. Written here
// to the byte, its zlib data too: a browser's own compressor differs from
// engine to engine, and the same map must give the same file in each.
//
// Two bits a pixel, indices into a palette of black, white and a
// transparent white. The deflate data is one block of the fixed codes,
// its matches runs of the byte before and the byte above, which is where
// a map repeats itself: a row of one state, or a row like the last.
import { join } from "./bytes.js";
import { crc } from "./png.js";

const MARKED = 0, BLANK = 1, NONE = 2;

// Bits written least significant first, as deflate reads them.
class Bits {
  constructor(size) { Object.assign(this, { out: new Uint8Array(size), n: 0, acc: 0, k: 0 }); }
  put(value, count) {
    this.acc |= value << this.k;
    this.k += count;
    while (this.k >= 8) {
      this.out[this.n++] = this.acc & 255;
      this.acc >>>= 8;
      this.k -= 8;
    }
  }
  // A Huffman code goes in from its most significant bit.
  code(value, count) {
    let r = 0;
    for (let i = 0; i < count; i++) r |= (value >> i & 1) << (count - 1 - i);
    this.put(r, count);
  }
  end() {
    if (this.k > 0) this.out[this.n++] = this.acc & 255;
    return this.out.subarray(0, this.n);
  }
}

const LENGTHS = [3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258];
const DISTANCES = [1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537, 2049, 3073,
  4097, 6145, 8193, 12289, 16385, 24577];
// Extra bits of the code whose base is at index i of the table.
const extra = (table, i) => table === LENGTHS ? (i < 8 || i === 28 ? 0 : (i - 4) >> 2) : Math.max(0, (i >> 1) - 1);
const codeOf = (table, v) => {
  let i = table.length - 1;
  while (table[i] > v) i--;
  return i;
};

function symbol(bits, v) {
  if (v < 144) bits.code(0x30 + v, 8);
  else if (v < 256) bits.code(0x190 + v - 144, 9);
  else if (v < 280) bits.code(v - 256, 7);
  else bits.code(0xc0 + v - 280, 8);
}

// zlib data of these bytes: runs copy the byte before (distance 1) or
// the one `above` bytes back, whichever goes further.
function zlib(data, above) {
  // A match of 3 may take 31 bits: over 10 a byte at most.
  const bits = new Bits(Math.ceil(data.length * 11 / 8) + 16);
  bits.put(0x78, 8);
  bits.put(0x01, 8);
  bits.put(1, 1);  // the last block
  bits.put(1, 2);  // of the fixed codes
  const far = above > 0 && above <= 32768;
  const run = (i, d) => {
    let n = 0;
    while (n < 258 && i + n < data.length && data[i + n] === data[i + n - d]) n++;
    return n;
  };
  for (let i = 0; i < data.length;) {
    const one = i >= 1 ? run(i, 1) : 0, up = far && i >= above ? run(i, above) : 0;
    const n = Math.max(one, up), d = up > one ? above : 1;
    if (n < 3) {
      symbol(bits, data[i++]);
      continue;
    }
    const l = codeOf(LENGTHS, n), e = extra(LENGTHS, l);
    symbol(bits, 257 + l);
    if (e) bits.put(n - LENGTHS[l], e);
    const c = codeOf(DISTANCES, d), de = extra(DISTANCES, c);
    bits.code(c, 5);
    if (de) bits.put(d - DISTANCES[c], de);
    i += n;
  }
  symbol(bits, 256);
  const sum = new Uint8Array(4);
  new DataView(sum.buffer).setUint32(0, adler32(data));
  return join(bits.end(), sum);
}

function adler32(data) {
  let a = 1, b = 0;
  for (let i = 0; i < data.length;) {
    for (const end = Math.min(i + 5552, data.length); i < end; i++) b += a += data[i];
    a %= 65521;
    b %= 65521;
  }
  return (b << 16 | a) >>> 0;
}

function chunk(type, body) {
  const c = new Uint8Array(12 + body.length), v = new DataView(c.buffer);
  v.setUint32(0, body.length);
  for (let i = 0; i < 4; i++) c[4 + i] = type.charCodeAt(i);
  c.set(body, 8);
  v.setUint32(8 + body.length, crc(c, 4, 8 + body.length));
  return c;
}

// The PNG of rows of cells: cells[rowStart[y] + x] is 1 where (x, y) is
// marked, for x below the row's length; w is the widest row's.
export function pngOf({ w, h, rowStart, cells }) {
  const stride = Math.ceil(w / 4) + 1, raw = new Uint8Array(stride * h);
  for (let y = 0; y < h; y++) {
    const start = rowStart[y], n = rowStart[y + 1] - start, at = y * stride + 1;
    for (let x = 0; x < w; x++) {
      const v = x >= n ? NONE : cells[start + x] ? MARKED : BLANK;
      raw[at + (x >> 2)] |= v << (6 - 2 * (x & 3));
    }
  }
  const head = new Uint8Array(13), v = new DataView(head.buffer);
  v.setUint32(0, w);
  v.setUint32(4, h);
  head.set([2, 3, 0, 0, 0], 8);  // 2 bits, a palette, deflate, no filter, no interlace
  return join(Uint8Array.of(137, 80, 78, 71, 13, 10, 26, 10), chunk("IHDR", head),
    chunk("PLTE", Uint8Array.of(0, 0, 0, 255, 255, 255, 255, 255, 255)), chunk("tRNS", Uint8Array.of(255, 255, 0)),
    chunk("IDAT", zlib(raw, stride)), chunk("IEND", new Uint8Array(0)));
}
