// Images into cells, against what the test works out on its own: the
// threshold and Floyd–Steinberg against Pillow (Debian's python3-pil) on
// greyscale PNGs; Atkinson and Bayer from the README's rules; sampling by
// brute force on each pixel's share of each cell.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { deflateSync } from "node:zlib";
import { pngPixels } from "../../web/png.js";
import { cells, frame, mapOf, runScale, sample, values } from "../../web/dither.js";
import { END, ihdr, pngFile } from "./rows.mjs";

// Images made here, greys row by row.
const noise = (w, h, seed) => Array.from({ length: w * h }, () => (seed = (seed * 1103515245 + 12345) % 2 ** 31) >> 23);
const image = (w, h, f) => ({ w, h, grey: Uint8Array.from({ length: w * h }, (_, p) => f(p % w, Math.floor(p / w))) });
const IMAGES = {
  gradient: image(64, 5, (x, y) => 4 * x + y),
  vertical: image(7, 40, (x, y) => Math.min(255, 7 * y + x)),
  checker: image(16, 12, (x, y) => (x ^ y) & 1 ? 255 : 0),
  flat127: image(9, 9, () => 127),
  flat128: image(9, 9, () => 128),
  noise: { w: 41, h: 29, grey: Uint8Array.from(noise(41, 29, 3)) },
};
const opaque = (img) => ({ ...img, opaque: img.opaque ?? new Uint8Array(img.w * img.h).fill(1) });
// The cells one pixel a cell, nearest, by each rule.
const own = (img, t, dither, invert = false) => {
  const f = frame(img.w, img.h, img.w, img.h, "stretch");
  return cells(values(sample(opaque(img), f, false), img.w, img.h, invert, false), img.w, img.h, t, dither);
};

// A greyscale PNG, 8 bits a pixel.
function greyPNG({ w, h, grey }) {
  const raw = new Uint8Array((w + 1) * h);
  for (let y = 0; y < h; y++) raw.set(grey.subarray(y * w, y * w + w), y * (w + 1) + 1);
  return pngFile(ihdr(w, h, 8, 0), ["IDAT", deflateSync(raw)], END);
}

// Pillow's cells of each PNG, given by name in base64 on its input.
const PILLOW = `
import base64, io, json, sys
from PIL import Image, ImageOps
out = {}
for name, data in json.load(sys.stdin).items():
    im = Image.open(io.BytesIO(base64.b64decode(data)))
    bits = lambda i: "".join("O" if v == 0 else "." for v in i.convert("L").tobytes())
    out[name] = {"fs": bits(im.convert("1")), "fs-invert": bits(ImageOps.invert(im).convert("1"))}
    for t in (0, 1, 127, 128, 129, 200, 255, 256):
        out[name][t] = bits(im.point(lambda v: 255 if v >= t else 0))
print(json.dumps(out))
`;
const text = (c) => Array.from(c, (v) => ".O"[v]).join("");

test("threshold and Floyd–Steinberg as Pillow's point and convert(\"1\"), from a PNG", async () => {
  const pngs = Object.fromEntries(Object.entries(IMAGES).map(([name, img]) => [name, greyPNG(img)]));
  const pillow = JSON.parse(execFileSync("/usr/bin/python3", ["-c", PILLOW],
    { input: JSON.stringify(Object.fromEntries(Object.entries(pngs).map(([name, png]) => [name, png.toString("base64")]))) }));
  for (const [name, img] of Object.entries(IMAGES)) {
    const read = await pngPixels(pngs[name]);
    assert.deepEqual(read.grey, img.grey);
    for (const [rule, t, dither, invert] of [["fs", 128, "floyd"], ["fs-invert", 128, "floyd", true],
      ...[0, 1, 127, 128, 129, 200, 255, 256].map((v) => [v, v, "none"])]) {
      assert.equal(text(own(read, t, dither, invert)), pillow[name][rule], `${name} ${rule}`);
    }
  }
});

// The README's rules, each worked out plainly over the whole image.
function atkinson({ w, h, grey }, t) {
  const err = Array.from({ length: h + 2 }, () => new Array(w + 2).fill(0)), out = [];
  for (let y = 0; y < h; y++) {
    for (let x = 0; x < w; x++) {
      const l = Math.min(255, Math.max(0, grey[y * w + x] + err[y][x])), white = l > t;
      out.push(white ? 0 : 1);
      const e = Math.trunc((l - (white ? 255 : 0)) / 8);
      for (const [dx, dy] of [[1, 0], [2, 0], [-1, 1], [0, 1], [1, 1], [0, 2]]) {
        if (x + dx >= 0 && x + dx < w) err[y + dy][x + dx] += e;
      }
    }
  }
  return out;
}
// The entry of the n × n Bayer matrix: the bits of x ^ y and y
// interleaved, reversed.
function entry(n, x, y) {
  let b = 0;
  for (let bit = n >> 1, shift = 0; bit; bit >>= 1, shift += 2) b |= ((x ^ y) & bit ? 2 : 0) << shift | (y & bit ? 1 : 0) << shift;
  return b;
}
const ordered = ({ w, h, grey }, t, n) => Array.from(grey, (v, p) =>
  n * n * (v - t + 128) >= 256 * entry(n, p % w, Math.floor(p / w)) + 128 ? 0 : 1);

test("Atkinson and Bayer 4 × 4 and 8 × 8 by the README's rules", () => {
  assert.deepEqual([0, 1, 2, 3].map((y) => [0, 1, 2, 3].map((x) => entry(4, x, y))),
    [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]);
  for (const [name, img] of Object.entries(IMAGES)) {
    for (const t of [1, 100, 128, 200]) {
      assert.deepEqual([...own(img, t, "atkinson")], atkinson(img, t), `${name} atkinson ${t}`);
      assert.deepEqual([...own(img, t, "bayer4")], ordered(img, t, 4), `${name} bayer4 ${t}`);
      assert.deepEqual([...own(img, t, "bayer8")], ordered(img, t, 8), `${name} bayer8 ${t}`);
    }
  }
});

// Each cell's value by brute force: the image's part in the frame made
// dw × dh times larger, so that each cell is sw × sh whole sub-pixels;
// nearest, the pixel under the cell's centre.
function brute(img, f, W, H, area, invert, marked) {
  const bg = marked ? 0 : 255, out = new Array(W * H).fill(bg);
  const value = (x, y) => img.opaque[y * img.w + x] ? invert ? 255 - img.grey[y * img.w + x] : img.grey[y * img.w + x] : bg;
  for (let j = 0; j < f.dh; j++) {
    for (let i = 0; i < f.dw; i++) {
      let sum = 0, n = 0;
      if (!area) {
        sum = value(f.sx + Math.floor((i * f.sw + f.sw / 2) / f.dw), f.sy + Math.floor((j * f.sh + f.sh / 2) / f.dh)), n = 1;
      } else {
        for (let v = j * f.sh; v < (j + 1) * f.sh; v++) {
          for (let u = i * f.sw; u < (i + 1) * f.sw; u++, n++) sum += value(f.sx + Math.floor(u / f.dw), f.sy + Math.floor(v / f.dh));
        }
      }
      out[(f.dy + j) * W + f.dx + i] = Math.floor((2 * sum + n) / (2 * n));
    }
  }
  return out;
}

// A logo of 8 × 5 cells drawn at 10 pixels a cell, then scaled by the
// test's own nearest pixel to 7.3 pixels a cell (58 × 37).
const LOGO = ["OO..O..O", "O.O.OO.O", "OO..O.OO", "O...O..O", "O...O..O"];
const logo10 = image(80, 50, (x, y) => LOGO[Math.floor(y / 10)][Math.floor(x / 10)] === "O" ? 20 : 230);
const logo73 = image(58, 37, (x, y) => logo10.grey[Math.floor(y * 50 / 37) * 80 + Math.floor(x * 80 / 58)]);
const halfClear = { ...IMAGES.noise, opaque: Uint8Array.from(noise(41, 29, 5), (v) => v & 1) };

test("sampling and fitting: each cell as the brute force gives it", () => {
  for (const [img, W, H, fitting, ax, ay] of [
    [logo73, 8, 5, "stretch"], [logo10, 8, 5, "stretch"], [logo73, 13, 13, "fit", 0, 2], [logo73, 13, 13, "fill", 2, 1],
    [IMAGES.noise, 10, 7, "stretch"], [IMAGES.noise, 100, 70, "stretch"], [IMAGES.noise, 9, 20, "fit", 1, 1],
    [IMAGES.noise, 9, 20, "fill", 0, 0], [IMAGES.checker, 5, 5, "fit", 2, 2], [IMAGES.gradient, 3, 3, "fill", 1, 0],
    [halfClear, 12, 12, "fit", 1, 2], [halfClear, 40, 3, "fill", 1, 1], [halfClear, 41, 29, "stretch"],
  ]) {
    const f = frame(img.w, img.h, W, H, fitting, ax, ay), p = opaque(img);
    for (const area of [false, true]) {
      const s = sample(p, f, area);
      for (const [invert, marked] of [[false, false], [true, false], [false, true], [true, true]]) {
        assert.deepEqual([...values(s, W, H, invert, marked)], brute(p, f, W, H, area, invert, marked),
          `${img.w}×${img.h} into ${W}×${H} ${fitting} ${ax},${ay} area ${area} invert ${invert} marked ${marked}`);
      }
    }
  }
  // Back at 8 × 5, the logo is itself again.
  const s = sample(opaque(logo73), frame(58, 37, 8, 5, "stretch"), true);
  assert.equal(text(cells(values(s, 8, 5, false, false), 8, 5, 128, "none")), LOGO.join(""));
});

test("frames: where the image goes and what of it", () => {
  for (const [args, want] of [
    [[100, 50, 10, 10, "fit", 1, 1], [0, 0, 100, 50, 0, 2, 10, 5]],
    [[100, 50, 10, 10, "fit", 0, 2], [0, 0, 100, 50, 0, 5, 10, 5]],
    [[50, 100, 10, 10, "fit", 2, 0], [0, 0, 50, 100, 5, 0, 5, 10]],
    [[100, 50, 10, 10, "fill", 1, 1], [25, 0, 50, 50, 0, 0, 10, 10]],
    [[100, 50, 10, 10, "fill", 2, 1], [50, 0, 50, 50, 0, 0, 10, 10]],
    [[50, 100, 10, 10, "fill", 0, 2], [0, 50, 50, 50, 0, 0, 10, 10]],
    [[100, 50, 10, 10, "stretch", 2, 2], [0, 0, 100, 50, 0, 0, 10, 10]],
    [[3, 1000, 10, 10, "fit", 1, 1], [0, 0, 3, 1000, 4, 0, 1, 10]],
    [[7, 3, 7, 3, "fit", 1, 1], [0, 0, 7, 3, 0, 0, 7, 3]],
  ]) assert.deepEqual(Object.values(frame(...args)), want, String(args));
});

// Rows of 1 (dark), 0 (light) and g (grey) as a picture; "t" a transparent pixel.
const picture = (rows) => {
  const w = rows[0].length, h = rows.length, px = rows.join("");
  return { w, h, grey: Uint8Array.from(px, (c) => ({ 1: 0, g: 128 })[c] ?? 255), opaque: Uint8Array.from(px, (c) => (c === "t" ? 0 : 1)) };
};

// Which pictures open one cell a pixel: their cells and where each row ends, or null.
test("images of maps", () => {
  for (const [rows, want] of [
    [["10", "01"], "O./.O 2,2"],
    [["1t", "t1"], "O./.O 1,2"],                    // one shade and transparent anywhere
    [["101", "0tt", "ttt"], "O.O/.../... 3,1,0"],  // two shades, transparent only at rows' ends
    [["101", "t01"], null],                         // transparent before an opaque pixel
    [["10g"], null],                                // three shades
    [["ttt"], "... 0"],
  ]) {
    const got = mapOf(picture(rows)), w = rows[0].length;
    assert.equal(got && `${[...got.cells].map((v, p) => (p && p % w === 0 ? "/" : "") + ".O"[v]).join("")} ${[...got.ends]}`, want, rows.join("/"));
  }
});

test("the block a picture looks drawn at, its runs at the edges not counted", () => {
  for (const [rows, want] of [
    // 2 a cell, one pixel column too many: the runs at the edges cut.
    [["110000110", "110000110", "001111000", "001111000"], 2],
    // Cropped at the top left: a block offset.
    [["100110", "001100", "001100", "110011"], 2],
    [["000111000111", "000111000111"], 3],
    [["0110", "0110"], 2],
    // A run of 3 beside a run of 2: no block.
    [["1100011000", "1100011000"], 0],
    [["0t0", "0t0"], 0],
    // No run away from the edges.
    [["0011", "0011"], 0],
    [["0000"], 0],
  ]) assert.equal(runScale(picture(rows)), want, rows.join("/"));
});
