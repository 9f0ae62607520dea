// Reading a PNG's pixels, to open it as a map. Browsers decode images
// for a canvas, and WebKit's canvas keeps colours premultiplied by alpha,
// so a partly transparent pixel comes back rounded there and not in the
// other engines; every engine also rounds 16-bit samples to 8 bits. A
// pixel near middle grey or half opacity could then be a marked cell in
// one browser and a blank one in another. So the page reads PNG itself,
// taking each sample exactly as the file holds it; only the zlib data is
// left to the browser, whose DecompressionStream every engine has.
import { inflate } from "./bytes.js";
import { greyOf, opaqueOf } from "./dither.js";

// The one rule for every image, on the file's own samples with full
// scale M: at least half opaque, and luminance (Rec. 709 weights, in ten
// thousandths) below half of full scale. In integers, so that no engine
// rounds it another way.
export const marked = (r, g, b, a, M) => 2 * a >= M && 2 * (2126 * r + 7152 * g + 722 * b) < 10000 * M;

const SIGNATURE = [137, 80, 78, 71, 13, 10, 26, 10];
const CHANNELS = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 };
const DEPTHS = { 0: [1, 2, 4, 8, 16], 2: [8, 16], 3: [1, 2, 4, 8], 4: [8, 16], 6: [8, 16] };
// Adam7: where each pass starts and how far apart its pixels are.
const PASSES = [[0, 0, 8, 8], [4, 0, 8, 8], [0, 4, 4, 8], [2, 0, 4, 4], [0, 2, 2, 4], [1, 0, 2, 2], [0, 1, 1, 2]];

const TABLE = Uint32Array.from({ length: 256 }, (_, n) => {
  for (let k = 0; k < 8; k++) n = n & 1 ? 0xedb88320 ^ n >>> 1 : n >>> 1;
  return n;
});
export function crc(b, start, end) {
  let c = ~0;
  for (let i = start; i < end; i++) c = TABLE[(c ^ b[i]) & 255] ^ c >>> 8;
  return ~c >>> 0;
}

const u32 = (b, i) => (b[i] << 24 | b[i + 1] << 16 | b[i + 2] << 8 | b[i + 3]) >>> 0;
export const isPNG = (b) => b.length >= 8 && SIGNATURE.every((v, i) => b[i] === v);
const fail = (message) => { throw new Error(message); };

// Width and height, read before decoding, so that an image too large for
// a map is refused at once; null for bytes that are not a PNG.
export function pngSize(bytes) {
  if (!isPNG(bytes) || bytes.length < 24 || String.fromCharCode(...bytes.subarray(12, 16)) !== "IHDR") return null;
  return { width: u32(bytes, 16), height: u32(bytes, 20) };
}

// The cells of a PNG file's bytes, a cell for each pixel, row by row: 1
// where marked, 0 where not.
export async function pngCells(bytes) {
  const { w, h, grey, opaque } = await pngPixels(bytes), cells = new Uint8Array(w * h);
  for (let p = 0; p < w * h; p++) cells[p] = opaque[p] && grey[p] < 128 ? 1 : 0;
  return { w, h, cells };
}

// Each pixel's grey and whether it is opaque (dither.js), from the file's
// own samples: { w, h, grey, opaque }.
export async function pngPixels(bytes) {
  if (!isPNG(bytes)) fail("the file is not a PNG");
  const { head, palette, alphas, key, data } = chunks(bytes);
  const { width: w, height: h, depth, type, interlaced } = head;
  if ((w + 1) * h > 2 ** 30) fail(`the PNG, ${w} × ${h} pixels, is too large to read`);
  // Palette entries are 8 bits whatever the index's depth.
  const channels = CHANNELS[type], top = 2 ** depth - 1, M = type === 3 ? 255 : top;
  const bpp = Math.max(1, channels * depth >> 3), rowBytes = (n) => Math.ceil(n * channels * depth / 8);
  const passes = (interlaced ? PASSES : [[0, 0, 1, 1]]).map(([x0, y0, dx, dy]) =>
    ({ x0, y0, dx, dy, w: Math.max(0, Math.ceil((w - x0) / dx)), h: Math.max(0, Math.ceil((h - y0) / dy)) }))
    .filter((p) => p.w && p.h);
  const raw = await rows(data, passes.reduce((n, p) => n + p.h * (1 + rowBytes(p.w)), 0));

  // A sample by its index in the row, at any bit depth.
  let row;
  const s = depth === 16 ? (k) => row[2 * k] << 8 | row[2 * k + 1] : depth === 8 ? (k) => row[k]
    : (k) => row[k * depth >> 3] >> 8 - depth - (k * depth & 7) & top;
  // A pixel as its grey, plus 256 where opaque. A palette index past the
  // palette is refused rather than guessed at. The one transparent colour
  // of tRNS is compared at the file's own bit depth: 16-bit colours that
  // differ from it in the low byte are not it.
  const px = (r, g, b, a, m) => greyOf(r, g, b, m) | (opaqueOf(a, m) ? 256 : 0);
  const entries = palette && Array.from({ length: palette.length / 3 }, (_, i) =>
    px(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2], alphas?.[i] ?? 255, 255));
  const pixel = {
    0: (x) => { const v = s(x); return px(v, v, v, v === key?.[0] ? 0 : M, M); },
    2: (x) => {
      const r = s(3 * x), g = s(3 * x + 1), b = s(3 * x + 2);
      return px(r, g, b, key && r === key[0] && g === key[1] && b === key[2] ? 0 : M, M);
    },
    3: (x) => entries[s(x)] ?? fail(`the PNG uses palette entry ${s(x)} of its ${entries.length}`),
    4: (x) => { const v = s(2 * x); return px(v, v, v, s(2 * x + 1), M); },
    6: (x) => px(s(4 * x), s(4 * x + 1), s(4 * x + 2), s(4 * x + 3), M),
  }[type];

  const grey = new Uint8Array(w * h), opaque = new Uint8Array(w * h);
  // The same for 8-bit samples other than a palette's, read straight from
  // the row: the images most have, and most of the time they take.
  const eight = depth === 8 && type !== 3 && ((b, start, dx, n) => {
    const colour = channels >= 3, alpha = channels % 2 === 0;
    for (let x = 0, q = 0, c = start; x < n; x++, q += channels, c += dx) {
      const r = b[q], g = colour ? b[q + 1] : r, bl = colour ? b[q + 2] : r;
      const keyed = key && r === key[0] && (!colour || g === key[1] && bl === key[2]);
      grey[c] = greyOf(r, g, bl, 255);
      opaque[c] = (alpha ? b[q + channels - 1] : keyed ? 0 : 255) >= 128 ? 1 : 0;
    }
  });
  let at = 0;
  for (const p of passes) {
    const n = rowBytes(p.w);
    let prior = new Uint8Array(n);
    for (let y = 0; y < p.h; y++, at += n + 1) {
      row = raw.subarray(at + 1, at + 1 + n);
      unfilter(raw[at], row, prior, bpp);
      const start = (p.y0 + y * p.dy) * w + p.x0;
      if (eight) {
        eight(row, start, p.dx, p.w);
        prior = row;
        continue;
      }
      for (let x = 0; x < p.w; x++) {
        const v = pixel(x), c = start + x * p.dx;
        grey[c] = v & 255;
        opaque[c] = v >> 8;
      }
      prior = row;
    }
  }
  return { w, h, grey, opaque };
}

// The chunks the pixels depend on. A bad CRC in a critical chunk refuses
// the file, as browsers do; an ancillary chunk is skipped, as browsers do
// when its CRC is bad, and gamma or colour profiles are never applied:
// the cells follow the file's own values.
function chunks(b) {
  let at = 8, head = null, palette = null, alphas = null, key = null;
  const data = [];
  for (;;) {
    if (at + 12 > b.length) fail(`the PNG is cut short${data.length ? "" : " before its image data"}`);
    const length = u32(b, at), type = String.fromCharCode(...b.subarray(at + 4, at + 8));
    if (!/^[A-Za-z]{4}$/.test(type)) fail("the PNG is damaged: a chunk there has no name");
    const end = at + 12 + length, body = b.subarray(at + 8, end - 4);
    if (end > b.length) fail(`the PNG's ${type} data is cut short`);
    const sound = crc(b, at + 4, end - 4) === u32(b, end - 4), critical = !(b[at + 4] & 32);
    if (critical && !sound) fail(`the PNG's ${type} chunk is damaged: its CRC does not match`);
    if (!head && type !== "IHDR") fail("the PNG does not start with its IHDR chunk");
    if (type === "IHDR") head = ihdr(body);
    else if (type === "PLTE") palette = head.type === 3 ? body : null;
    else if (type === "IDAT") data.push(body);
    else if (type === "IEND") break;
    else if (critical) fail(`the PNG has a chunk ${type}, which this page cannot read`);
    else if (type === "tRNS" && sound && !data.length) {
      // One longer than the palette is ignored, as browsers do.
      if (head.type === 3 && palette && length <= palette.length / 3) alphas = body;
      else if (head.type === 0 && length === 2) key = [body[0] << 8 | body[1]];
      else if (head.type === 2 && length === 6) key = [0, 2, 4].map((i) => body[i] << 8 | body[i + 1]);
    }
    at = end;
  }
  if (head.type === 3 && !palette) fail("the PNG has no palette (PLTE chunk) for its colours");
  if (palette && (!palette.length || palette.length % 3 || palette.length > 768)) {
    fail("the PNG's palette (PLTE chunk) is malformed");
  }
  if (!data.length) fail("the PNG has no image data (IDAT chunk)");
  return { head, palette, alphas, key, data };
}

function ihdr(b) {
  if (b.length !== 13) fail("the PNG's IHDR chunk is malformed");
  const [depth, type, compression, filter, interlace] = b.subarray(8);
  const head = { width: u32(b, 0), height: u32(b, 4), depth, type, interlaced: interlace === 1 };
  if (!head.width || !head.height || head.width > 2 ** 31 - 1 || head.height > 2 ** 31 - 1) {
    fail(`the PNG's size, ${head.width} × ${head.height} pixels, is not one PNG allows`);
  }
  if (!DEPTHS[type]) fail(`the PNG's colour type ${type} is not one PNG has`);
  if (!DEPTHS[type].includes(depth)) fail(`the PNG's bit depth ${depth} is not one its colour type ${type} has`);
  if (compression) fail(`the PNG's compression method ${compression} is not one PNG has`);
  if (filter) fail(`the PNG's filter method ${filter} is not one PNG has`);
  if (interlace > 1) fail(`the PNG's interlace method ${interlace} is not one PNG has`);
  return head;
}

// As many bytes as the rows take: data inflating to far more than that
// costs no more memory.
async function rows(parts, need) {
  let read;
  try {
    read = await inflate(parts, "deflate", need);
  } catch {
    fail("the PNG's IDAT data is damaged or cut short: zlib cannot read it");
  }
  if (read.length < need) fail("the PNG's IDAT data is cut short");
  return read;
}

// Undoes a row's filter in place: each byte was stored less a prediction
// from the byte to its left (a), the one above (b) and above-left (c).
function unfilter(filter, row, prior, bpp) {
  const n = row.length;
  if (filter > 4) fail(`the PNG's row filter ${filter} is not one PNG has`);
  // Each filter a loop of its own: these run over every byte of the
  // image. At the left, a and c are 0, where Paeth predicts b.
  if (filter === 1) for (let i = bpp; i < n; i++) row[i] += row[i - bpp];
  else if (filter === 2 || filter === 4) for (let i = 0; i < (filter === 2 ? n : bpp); i++) row[i] += prior[i];
  else if (filter === 3) for (let i = 0; i < n; i++) row[i] += ((i >= bpp ? row[i - bpp] : 0) + prior[i]) >> 1;
  if (filter !== 4) return;
  for (let i = bpp; i < n; i++) {
    const a = row[i - bpp], b = prior[i], c = prior[i - bpp];
    const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
    row[i] += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
  }
}
