// An image's pixels made into cells of any size: each pixel's grey and
// whether it is opaque, the image fitted into the cells and sampled,
// then a threshold or a dithering. All in integers (or doubles holding
// whole numbers), so that every engine gives the same cells and anyone
// can work them out from the README's rules.

// A pixel's grey, 0 to 255: its luminance (Rec. 709 weights in ten
// thousandths) scaled from full scale M to 255 and rounded half up. Grey
// below 128 is then exactly luminance below half of full scale.
export const greyOf = (r, g, b, M) => Math.floor((2 * (2126 * r + 7152 * g + 722 * b) * 255 + 10000 * M) / (20000 * M));
export const opaqueOf = (a, M) => 2 * a >= M;

// { w, h, grey, opaque } of a canvas's RGBA bytes.
export function pixelsOf(rgba, w, h) {
  const grey = new Uint8Array(w * h), opaque = new Uint8Array(w * h);
  for (let p = 0, q = 0; p < w * h; p++, q += 4) {
    grey[p] = greyOf(rgba[q], rgba[q + 1], rgba[q + 2], 255);
    opaque[p] = rgba[q + 3] >= 128 ? 1 : 0;
  }
  return { w, h, grey, opaque };
}

// A pixel's shade: its grey, or 256 where it is transparent.
const shade = (img, p) => img.opaque[p] ? img.grey[p] : 256;

// An image of a map, which opens one cell a pixel: of two shades at
// most, transparent counted as one; or of two opaque shades and
// transparent pixels only after each row's last opaque one, as the page's
// own PNG leaves a short row's missing cells. Its cells, marked where a
// pixel is opaque and dark, and where each row ends: after its last
// opaque pixel. Null for any other image.
export function mapOf({ w, h, grey, opaque }) {
  const cells = new Uint8Array(w * h), ends = new Uint32Array(h);
  let a = -1, b = -1, clear = false, inner = false;
  for (let y = 0; y < h; y++) {
    let end = 0;
    for (let x = 0, p = y * w; x < w; x++, p++) {
      if (!opaque[p]) {
        clear = true;
        continue;
      }
      inner ||= end < x;
      end = x + 1;
      const s = grey[p];
      if (s !== a && s !== b) {
        if (b >= 0) return null;
        if (a < 0) a = s;
        else b = s;
      }
      cells[p] = s < 128 ? 1 : 0;
    }
    ends[y] = end;
  }
  return inner && clear && b >= 0 ? null : { w, h, cells, ends };
}

// An image drawn at N pixels a cell: every N × N block of its pixels of
// one shade, N 2 or more and its sides whole multiples of N. The largest
// such N, or 0.
export function blockScale(img) {
  const { w, h } = img, gcd = (a, b) => b ? gcd(b, a % b) : a, g = gcd(w, h);
  for (let n = g; n >= 2; n--) {
    if (g % n) continue;
    let alike = true;
    for (let y = 0; y < h && alike; y++) {
      const top = y - y % n;
      for (let x = 0; x < w; x++) {
        if (shade(img, y * w + x) !== shade(img, top * w + x - x % n)) {
          alike = false;
          break;
        }
      }
    }
    if (alike) return n;
  }
  return 0;
}

// The block an image looks drawn at, though blockScale finds none: the
// greatest common divisor of its runs of one shade, along rows and down
// columns, but those at its edges, which a crop may cut; 0 where that is
// under 2 or there is no such run.
export function runScale(img) {
  const { w, h } = img, gcd = (a, b) => b ? gcd(b, a % b) : a;
  let g = 0;
  const runs = (n, at) => {
    for (let start = 0, i = 1; i <= n; i++) {
      if (i < n && shade(img, at(i)) === shade(img, at(start))) continue;
      if (start > 0 && i < n) g = gcd(g, i - start);
      start = i;
    }
  };
  for (let y = 0; y < h && g !== 1; y++) runs(w, (x) => y * w + x);
  for (let x = 0; x < w && g !== 1; x++) runs(h, (y) => y * w + x);
  return g >= 2 ? g : 0;
}

// Where the image goes in W × H cells: the part of it taken (sx, sy,
// sw, sh pixels) and the cells it covers (dx, dy, dw, dh). Fit: all of it,
// as large as fits; fill: the cells covered, the image cropped; stretch:
// all of it onto all the cells. The anchor (ax, ay, each 0, 1 or 2 for
// left, centre, right and top, middle, bottom) places what is left over.
export function frame(pw, ph, W, H, fitting, ax = 1, ay = 1) {
  const round = (n, d) => Math.max(1, Math.floor((2 * n + d) / (2 * d)));
  const at = (spare, a) => Math.floor(spare * a / 2);
  let sw = pw, sh = ph, dw = W, dh = H;
  if (fitting === "fit") {
    if (W * ph <= H * pw) dh = Math.min(H, round(ph * W, pw));
    else dw = Math.min(W, round(pw * H, ph));
  } else if (fitting === "fill") {
    if (W * ph >= H * pw) sh = Math.min(ph, round(pw * H, W));
    else sw = Math.min(pw, round(ph * W, H));
  }
  return { sx: at(pw - sw, ax), sy: at(ph - sh, ay), sw, sh, dx: at(W - dw, ax), dy: at(H - dh, ay), dw, dh };
}

// The image's summed-area tables, made once and kept with it: at (x, y)
// of a table w + 1 wide, the sum over the pixels above and to the left of
// the greys of the opaque ones, and their count (none where every pixel is
// opaque). Whole numbers, exact in a Float64Array (at most 255 · 2²⁶).
export function tables(img) {
  if (img.tables) return img.tables;
  const { w, h, grey, opaque } = img, stride = w + 1;
  const clear = opaque.indexOf(0) >= 0;
  const greys = new (255 * w * h < 2 ** 32 ? Uint32Array : Float64Array)(stride * (h + 1));
  const counts = clear ? new Uint32Array(stride * (h + 1)) : null;
  for (let y = 0; y < h; y++) {
    const at = (y + 1) * stride + 1, up = at - stride, p0 = y * w;
    for (let x = 0, g = 0; x < w; x++) greys[at + x] = greys[up + x] + (g += grey[p0 + x] * opaque[p0 + x]);
    for (let x = 0, n = 0; counts && x < w; x++) counts[at + x] = counts[up + x] + (n += opaque[p0 + x]);
  }
  return (img.tables = { stride, greys, counts });
}

// Along one side, area average: cell i of d spans [i·s, (i+1)·s) in units
// of 1/d of a pixel, pixel p [p·d, (p+1)·d). Its pixels in three parts,
// between edges e0 ≤ e1 ≤ e2 ≤ e3 (from `from`): the first pixel, weighing
// its overlap; the whole pixels between, d each; the last, its overlap.
function parts(s, d, from) {
  const e = new Int32Array(4 * d), wt = new Float64Array(3 * d);
  for (let i = 0; i < d; i++) {
    const u0 = i * s, u1 = u0 + s, a0 = Math.floor(u0 / d), a1 = Math.floor(u1 / d);
    const one = a0 === a1, last = one ? a0 + 1 : Math.min(a1 + 1, s);
    e.set([a0, a0 + 1, one ? last : a1, last].map((v) => v + from), 4 * i);
    wt.set(one ? [u1 - u0, 0, 0] : [(a0 + 1) * d - u0, d, u1 - a1 * d], 3 * i);
  }
  return { e, wt };
}

// A table's row at edge r, summed over each cell's columns, weighted: for
// every cell of a row, the weighted sum of its columns' parts above r.
function across(t, r, X, dw, out) {
  const xe = X.e, xw = X.wt;
  for (let i = 0; i < dw; i++) {
    const x0 = r + xe[4 * i], x1 = r + xe[4 * i + 1], x2 = r + xe[4 * i + 2], x3 = r + xe[4 * i + 3];
    out[i] = xw[3 * i] * (t[x1] - t[x0]) + xw[3 * i + 1] * (t[x2] - t[x1]) + xw[3 * i + 2] * (t[x3] - t[x2]);
  }
  return out;
}

// A table's weighted sums over the cells, row by row: the differences
// between the sums above a row's edges, weighted. Neighbouring rows share
// edges, whose sums are made once; a row's four edges and the next's
// first come in order, so that at most eight are kept, each in one of
// eight arrays used again. Every term is at most the cell's own sum (at
// most 255 · 2²⁶), so all of it is exact.
function areaSums(t, stride, X, Y, dw, dh, out) {
  const ye = Y.e, yw = Y.wt, edge = new Float64Array(8).fill(-1), sums = Array.from({ length: 8 }, () => new Float64Array(dw));
  const at = (r) => {
    let free = -1;
    for (let k = 0; k < 8; k++) {
      if (edge[k] === r) return sums[k];
      if (free < 0 && edge[k] < 0) free = k;
    }
    edge[free] = r;
    return across(t, r * stride, X, dw, sums[free]);
  };
  for (let j = 0; j < dh; j++) {
    const u0 = at(ye[4 * j]), u1 = at(ye[4 * j + 1]), u2 = at(ye[4 * j + 2]), u3 = at(ye[4 * j + 3]);
    const a = yw[3 * j], b = yw[3 * j + 1], c = yw[3 * j + 2];
    for (let i = 0, o = j * dw; i < dw; i++) out[o + i] = a * (u1[i] - u0[i]) + b * (u2[i] - u1[i]) + c * (u3[i] - u2[i]);
    for (let k = 0; k < 8; k++) if (j + 1 === dh || edge[k] < ye[4 * j + 4]) edge[k] = -1;
  }
  return out;
}

// For each cell the image covers: the weighted sum of its opaque pixels'
// greys, and their weight, of a total the same for every cell (no
// weights where every pixel is opaque: each is the total). Nearest:
// the pixel under the cell's centre, ⌊(2i + 1) s / 2d⌋ along each side,
// weight 1. Area: from the summed-area tables, in time the same for any
// cell, so that the image's size costs nothing past its tables.
export function sample(img, f, area) {
  const { dw, dh } = f, sums = new Float64Array(dw * dh);
  if (!area) {
    const weights = new Float64Array(dw * dh);
    const { grey, opaque } = img, xs = Int32Array.from({ length: dw }, (_, i) => f.sx + Math.floor((2 * i + 1) * f.sw / (2 * dw)));
    for (let j = 0; j < dh; j++) {
      const row = (f.sy + Math.floor((2 * j + 1) * f.sh / (2 * dh))) * img.w;
      for (let i = 0; i < dw; i++) {
        const q = row + xs[i];
        if (opaque[q]) sums[j * dw + i] = grey[q], weights[j * dw + i] = 1;
      }
    }
    return { ...f, sums, weights, total: 1 };
  }
  const { stride, greys, counts } = tables(img), total = f.sw * f.sh;
  const X = parts(f.sw, dw, f.sx), Y = parts(f.sh, dh, f.sy);
  areaSums(greys, stride, X, Y, dw, dh, sums);
  return { ...f, sums, weights: counts && areaSums(counts, stride, X, Y, dw, dh, new Float64Array(dw * dh)), total };
}

// Each cell's value, 0 to 255: the average, rounded half up, of its
// pixels' greys (inverted: 255 less each), transparent pixels counted as
// white (blank) or black (marked); cells outside the image are as
// transparent pixels are.
export function values(s, W, H, invert, marked) {
  const out = new Uint8Array(W * H).fill(marked ? 0 : 255), bg = marked ? 0 : 255, T = s.total, T2 = 2 * T;
  const { weights, sums, dw, dh, dx, dy } = s;
  for (let j = 0, c = 0; j < dh; j++) {
    for (let i = 0, o = (dy + j) * W + dx; i < dw; i++, c++, o++) {
      const wt = weights ? weights[c] : T, sum = (invert ? 255 * wt - sums[c] : sums[c]) + bg * (T - wt);
      out[o] = Math.floor((2 * sum + T) / T2);
    }
  }
  return out;
}

// The Bayer matrix of side n (a power of 2): M₁ = [0], and M₂ₙ made of
// 4Mₙ, 4Mₙ+2 over 4Mₙ+3, 4Mₙ+1.
export function bayer(n) {
  if (n === 1) return [0];
  const m = bayer(n / 2), h = n / 2, out = new Array(n * n);
  for (let y = 0; y < n; y++) {
    for (let x = 0; x < n; x++) out[y * n + x] = 4 * m[(y % h) * h + x % h] + [[0, 2], [3, 1]][+(y >= h)][+(x >= h)];
  }
  return out;
}
const BAYER = { bayer4: bayer(4), bayer8: bayer(8) };

const clip = (v) => v < 0 ? 0 : v > 255 ? 255 : v;

// Cells from values, 1 marked: by threshold t alone (marked below t), or
// dithered (see the README for each rule).
export function cells(v, W, H, t, dither) {
  const out = new Uint8Array(W * H);
  if (dither === "none") {
    for (let c = 0; c < W * H; c++) out[c] = v[c] < t ? 1 : 0;
  } else if (dither === "floyd") {
    // As Pillow's convert("1"): the errors for a pixel summed, then
    // divided by 16 once, truncated; blank where the value is above t.
    const below = new Int32Array(W + 1);
    for (let y = 0; y < H; y++) {
      let right = 0, next = 0, last = 0;
      for (let x = 0; x < W; x++) {
        const s = v[y * W + x] + ((right + below[x + 1]) / 16 | 0), l = s < 0 ? 0 : s > 255 ? 255 : s;
        const e = l - (l > t ? 255 : 0);
        out[y * W + x] = l > t ? 0 : 1;
        below[x] = 3 * e + next;
        next = 5 * e + last;
        last = e;
        right = 7 * e;
      }
      below[W] = next;
    }
  } else if (dither === "atkinson") {
    // An eighth of the error, truncated, to each of six pixels ahead.
    const stride = W + 3, err = new Int32Array(3 * stride), row = (y) => (y % 3) * stride + 1;
    for (let y = 0; y < H; y++) {
      const r0 = row(y), r1 = row(y + 1), r2 = row(y + 2);
      err.fill(0, r2 - 1, r2 - 1 + stride);
      for (let x = 0; x < W; x++) {
        const l = clip(v[y * W + x] + err[r0 + x]), e = Math.trunc((l - (l > t ? 255 : 0)) / 8);
        out[y * W + x] = l > t ? 0 : 1;
        err[r0 + x + 1] += e, err[r0 + x + 2] += e;
        err[r1 + x - 1] += e, err[r1 + x] += e, err[r1 + x + 1] += e;
        err[r2 + x] += e;
      }
    }
  } else {
    // Blank where n²·(v − t + 128) ≥ 256·B + 128, B the matrix's entry.
    const m = BAYER[dither], n = Math.sqrt(m.length);
    for (let y = 0; y < H; y++) {
      for (let x = 0; x < W; x++) {
        out[y * W + x] = n * n * (v[y * W + x] - t + 128) >= 256 * m[(y % n) * n + x % n] + 128 ? 0 : 1;
      }
    }
  }
  return out;
}
