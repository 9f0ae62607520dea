// Pictures as maps: PNGs written by netpbm's pamtopng and pnmtopng from
// samples chosen here, in every colour type and bit depth, with palettes of
// partial alpha, tRNS's one colour, Adam7, each row filter, several IDATs,
// and pixels either side of the rule (alpha 127 and 128, luminance at half
// of full scale, colours a canvas's premultiplied alpha or rounding 16 bits
// to 8 would take across it). Each map wanted is worked out from the
// samples, never by decoding the files; each header is checked to be what
// was asked for, as a tool may pick another colour type.
import { execFileSync } from "node:child_process";
import { mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { check, sleep, unnumbered } from "./page.mjs";
import { pngPixels } from "../../web/png.js";
import { cells, frame, sample, values } from "../../web/dither.js";

// The page's rule, on the file's samples with full scale M.
const marked = ([r, g, b, a], M) => 2 * a >= M && 2 * (2126 * r + 7152 * g + 722 * b) < 10000 * M;

// Fixed pseudo-random samples: each from `near`, or anywhere up to M.
function noise(w, h, channels, M, near, seed) {
  const next = () => (seed = (seed * 1103515245 + 12345) % 2 ** 31) / 2 ** 31;
  const sample = () => next() < 0.5 ? near[Math.floor(next() * near.length)] : Math.floor(next() * (M + 1));
  return Array.from({ length: h }, () => Array.from({ length: w }, () => Array.from({ length: channels }, sample)));
}
const N8 = [0, 126, 127, 128, 129, 255], N16 = [0, 32767, 32768, 65535];
const grid = (w, h, f) => Array.from({ length: h }, (_, y) => Array.from({ length: w }, (_, x) => f(x, y)));

// Premultiplied by alpha 128 and back, grey 127 can come back 128;
// (32511, 32768, 32511) is dark, but not rounded to 8 bits; (30, 153, 162)
// and (24235, 32000, 65495) are exactly half of full scale: not dark.
const RGBA8 = [[[0, 0, 0, 127], [0, 0, 0, 128], [127, 127, 127, 128], [128, 128, 128, 128], [127, 127, 127, 255]],
  [[126, 127, 127, 129], [127, 126, 128, 131], [30, 153, 162, 255], [30, 153, 161, 255], [30, 153, 162, 200]],
  [[127, 127, 127, 130], [127, 127, 127, 133], [127, 127, 127, 137], [128, 128, 128, 140], [255, 255, 255, 0]]];
const RGBA16 = [
  [[0, 0, 0, 32767], [0, 0, 0, 32768], [32767, 32767, 32767, 65535], [32768, 32768, 32768, 65535]],
  [[32511, 32768, 32511, 65535], [32511, 32768, 32511, 32768], [24235, 32000, 65495, 65535], [24235, 32000, 65494, 40000]],
];

// Each picture: name, the file's [colour type, bit depth, interlace], the
// tool, tuple type, full scale M, rows of pixels, the tool's options, and
// more: key, the one transparent colour; idats, at least so many IDATs.
const pic = (name, png, tool, tuple, M, rows, args = [], more = {}) => ({ name, png, tool, tuple, M, rows, args, ...more });
const greys = (...rows) => rows.map((r) => r.map((v) => [v]));
const PICTURES = [
  pic("grey8", [0, 8, 0], "pamtopng", "GRAYSCALE", 255, greys([0, 1, 126, 127, 128, 129, 254, 255], [255, 200, 128, 127, 127, 100, 50, 0])),
  pic("grey8-trns", [0, 8, 0], "pamtopng", "GRAYSCALE", 255, greys([99, 100, 101, 100, 200, 0]), ["-transparent=rgb:64/64/64"],
    { key: [100] }),
  pic("grey1", [0, 1, 0], "pamtopng", "GRAYSCALE", 1, grid(11, 3, (x, y) => [(x * y + x) % 3 ? 1 : 0])),
  pic("grey2", [0, 2, 0], "pamtopng", "GRAYSCALE", 3, grid(7, 2, (x, y) => [(x + y) % 4])),
  pic("grey4-adam7", [0, 4, 1], "pamtopng", "GRAYSCALE", 15, grid(10, 9, (x, y) => [(x + 2 * y) % 16]), ["-interlace"]),
  // tRNS 0x1234 is matched at 16 bits, not at 8.
  pic("grey16-trns", [0, 16, 0], "pamtopng", "GRAYSCALE", 65535, greys([0x1234, 0x1235, 0x1200, 32767, 32768, 65535]),
    ["-transparent=rgb:1234/1234/1234"], { key: [0x1234] }),
  pic("grey-alpha8", [4, 8, 0], "pamtopng", "GRAYSCALE_ALPHA", 255,
    grid(6, 4, (x, y) => [[127, 128, 126, 0][y], [0, 127, 128, 129, 134, 255][x]])),
  pic("grey-alpha16", [4, 16, 0], "pamtopng", "GRAYSCALE_ALPHA", 65535,
    grid(5, 3, (x, y) => [[32767, 32768, 32639][y], [0, 32767, 32768, 32769, 65535][x]])),
  pic("rgb8-trns", [2, 8, 0], "pamtopng", "RGB", 255, [[[30, 153, 162], [13, 163, 113], [78, 146, 90], [30, 153, 161],
    [127, 127, 127], [128, 128, 128]], [[255, 0, 0], [0, 255, 0], [0, 0, 255], [20, 40, 60], [20, 40, 61], [21, 40, 60]]],
  ["-transparent=rgb:14/28/3c"], { key: [20, 40, 60] }),
  pic("rgb16-trns", [2, 16, 0], "pamtopng", "RGB", 65535, [[[0x1234, 0x1234, 0x1234], [0x1234, 0x1234, 0x1235],
    [0x1200, 0x1234, 0x1234], [32511, 32768, 32511], [24235, 32000, 65495], [24235, 32000, 65494], [32768, 32768, 32768]]],
  ["-transparent=rgb:1234/1234/1234"], { key: [0x1234, 0x1234, 0x1234] }),
  pic("rgba8", [6, 8, 0], "pamtopng", "RGB_ALPHA", 255, RGBA8),
  pic("rgba16", [6, 16, 0], "pamtopng", "RGB_ALPHA", 65535, RGBA16),
  pic("rgba8-adam7", [6, 8, 1], "pamtopng", "RGB_ALPHA", 255, noise(37, 23, 4, 255, N8, 7), ["-interlace"]),
  pic("rgba16-adam7", [6, 16, 1], "pamtopng", "RGB_ALPHA", 65535, noise(9, 10, 4, 65535, N16, 8), ["-interlace"]),
  // Adam7 passes with no pixels at all.
  pic("grey-alpha8-adam7-3x2", [4, 8, 1], "pamtopng", "GRAYSCALE_ALPHA", 255, noise(3, 2, 2, 255, N8, 9), ["-interlace"]),
  pic("rgba8-large", [6, 8, 0], "pamtopng", "RGB_ALPHA", 255, noise(160, 120, 4, 255, N8, 10), [], { idats: 2 }),
  // Each row filter alone; at 1 bit a byte decoded wrong is a cell wrong.
  ...["nofilter", "sub", "up", "avg", "paeth"].flatMap((filter, i) => [
    pic(`rgb8-${filter}`, [2, 8, 0], "pnmtopng", "RGB", 255, noise(17, 9, 3, 255, N8, 20 + i), ["-force", `-${filter}`]),
    pic(`grey1-${filter}`, [0, 1, 0], "pnmtopng", "GRAYSCALE", 1, noise(64, 24, 1, 1, [0], 30 + i), ["-force", `-${filter}`])]),
  // Palettes with partial alphas in tRNS, and opaque entries past it.
  pic("palette4", [3, 4, 0], "pnmtopng", "RGB_ALPHA", 255,
    grid(6, 2, (x, y) => [...[[127, 127, 127], [128, 128, 128]][y], [0, 100, 127, 128, 200, 255][x]])),
  pic("palette8-adam7", [3, 8, 1], "pnmtopng", "RGB_ALPHA", 255,
    grid(13, 11, (x, y) => [120 + x, 127, 131 - y, [127, 128, 255][(x + y) % 3]]), ["-interlace"]),
  pic("palette2", [3, 2, 0], "pnmtopng", "RGB_ALPHA", 255,
    grid(9, 2, (x, y) => [[0, 0, 0, 128], [0, 0, 0, 127], [255, 0, 0, 255], [0, 255, 0, 255]][(x + y) % 4])),
  pic("palette1", [3, 1, 0], "pnmtopng", "RGB_ALPHA", 255,
    grid(13, 3, (x, y) => (x ^ y) & 1 ? [10, 20, 30, 255] : [10, 20, 30, 120])),
];

const CHANNELS = { GRAYSCALE: 1, GRAYSCALE_ALPHA: 2, RGB: 3, RGB_ALPHA: 4 };
const samples = (rows, M, pick) =>
  Buffer.from(rows.flat().flatMap((px) => pick(px).flatMap((v) => M > 255 ? [v >> 8, v & 255] : [v])));

// To pamtopng a PAM; to pnmtopng a PGM or PPM, the alpha in a PGM beside.
function input(p, path) {
  const { tuple, M, rows } = p, w = rows[0].length, h = rows.length, n = CHANNELS[tuple];
  if (p.tool === "pamtopng") {
    const head = `P7\nWIDTH ${w}\nHEIGHT ${h}\nDEPTH ${n}\nMAXVAL ${M}\nTUPLTYPE ${tuple}\nENDHDR\n`;
    return { args: [], stdin: Buffer.concat([Buffer.from(head), samples(rows, M, (px) => px)]) };
  }
  const colour = n >= 3 ? 3 : 1, args = [];
  if (n % 2 === 0) {
    const alpha = samples(rows, M, (px) => [px[n - 1]]);
    writeFileSync(`${path}.alpha.pgm`, Buffer.concat([Buffer.from(`P5\n${w} ${h}\n${M}\n`), alpha]));
    args.push(`-alpha=${path}.alpha.pgm`);
  }
  const head = `${colour === 3 ? "P6" : "P5"}\n${w} ${h}\n${M}\n`;
  return { args, stdin: Buffer.concat([Buffer.from(head), samples(rows, M, (px) => px.slice(0, colour))]) };
}

function want({ tuple, M, rows, key }) {
  const rgba = (px) => {
    const a = key && key.every((v, i) => v === px[i]) ? 0 : tuple.endsWith("ALPHA") ? px.at(-1) : M;
    return px.length >= 3 ? [px[0], px[1], px[2], a] : [px[0], px[0], px[0], a];
  };
  return rows.map((row) => row.map((px) => marked(rgba(px), M) ? "O" : ".").join("") + "\n").join("");
}

// The file's [colour type, bit depth, interlace], tRNS or not, IDATs.
function header(b) {
  const chunks = [];
  for (let at = 8; at + 8 <= b.length; at += 12 + b.readUInt32BE(at)) {
    chunks.push(b.toString("latin1", at + 4, at + 8));
  }
  if (b.toString("latin1", 1, 4) !== "PNG" || chunks[0] !== "IHDR") throw new Error("not a PNG");
  const idats = chunks.filter((c) => c === "IDAT").length;
  return { png: [b[25], b[24], b[28]], trns: chunks.includes("tRNS"), idats };
}

// A PNG of RGBA pixels, pixel(x, y) giving each, written to path.
export function png(path, width, height, pixel) {
  const rows = grid(width, height, pixel), { stdin } = input({ tool: "pamtopng", tuple: "RGB_ALPHA", M: 255, rows });
  writeFileSync(path, execFileSync("/usr/bin/pamtopng", { input: stdin, maxBuffer: 1 << 26 }));
  return path;
}

export async function makePictures(dir) {
  mkdirSync(dir, { recursive: true });
  return PICTURES.map((p) => {
    const path = join(dir, `${p.name}.png`), { args, stdin } = input(p, path);
    const png = execFileSync(`/usr/bin/${p.tool}`, [...p.args, ...args], { input: stdin, stdio: "pipe" });
    writeFileSync(path, png);
    const got = header(png);
    const alpha = p.key || (p.png[0] === 3 && p.rows.flat().some((px) => px[3] < 255));
    if (String(got.png) !== String(p.png) || got.trns !== !!alpha || got.idats < (p.idats ?? 1)) {
      throw new Error(`${p.tool} wrote ${p.name}.png as colour type, bit depth, interlace ${got.png}, ` +
        `tRNS ${got.trns}, ${got.idats} IDAT; asked for ${p.png}, tRNS ${!!alpha}, ${p.idats ?? 1} IDAT or more`);
    }
    return { name: p.name, path, want: want(p) };
  });
}

// Each PNG gives its map. (Pictures too large, the largest, and those
// drawn N pixels a cell: scenarios.tsv's picture rows.)
export async function pictures(page) {
  await page.fresh();
  for (const { name, path, want } of await makePictures(join(page.scratch, "0"))) {
    if (await openDialog(page, path)) await page.update(() => page.click("image-open"));
    const map = await page.saveMap();
    check(`picture ${name}`, [map.name, map.bytes.toString("latin1")], [`${name}.map`, want]);
  }
}

// The file put in the page's input: true if its dialog opens, false if
// it opens at once.
async function openDialog(page, path) {
  const run = await page.data("run");
  await page.b.upload("#file", path);
  for (let i = 0; i < 200; i++) {
    if (await page.js("return !!document.getElementById('image-dialog')?.open")) return true;
    if ((await page.data("run")) !== run || await page.text("opened")) return false;
    await sleep(50);
  }
  throw new Error(`${path}: neither opened nor its dialog shown`);
}

// The settings, as the page's controls take them.
const set = (page, s) => page.js(`const s = arguments[0], d = document.getElementById("image-dialog");
  for (const [k, v] of Object.entries(s)) {
    const el = k === "anchor" ? d.querySelector("[name=anchor][value='" + v + "']") : document.getElementById("image-" + k);
    if (el.type === "checkbox" || el.type === "radio") el.checked = k === "anchor" || v; else el.value = v;
    el.dispatchEvent(new Event("change", { bubbles: true }));
  }`, s);
const preview = (page) => page.js(`const c = document.getElementById("image-preview");
  const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data, rows = [];
  for (let y = 0; y < c.height; y++) {
    let r = "";
    for (let x = 0; x < c.width; x++) r += d[4 * (y * c.width + x)] ? "." : "O";
    rows.push(r + "\\n");
  }
  return rows.join("");`);

// A photo-like field with transparent patches, and a logo drawn at 10
// pixels a cell scaled to 7.3: each setting's cells by dither.js on the PNG
// reader's pixels, in the preview and in the map Open writes. The alphas
// either side of half are where a canvas's scaling (and WebKit's
// premultiplying) would differ from these.
const LOGO = ["OO..O..O", "O.O.OO.O", "OO..O.OO", "O...O..O", "O...O..O"];
const ALPHAS = [40, 127, 128, 129, 200, 1, 254];
const PHOTO = (x, y) => [(x * 7 + y * 3) % 256, (x * y) % 256, (255 - 2 * y + x) & 255,
  (x * 13 + y * 29) % 97 < 16 ? ALPHAS[(x + y) % ALPHAS.length] : 255];
const SETTINGS = [
  { width: 8, height: 5, sampling: "area" },
  { width: 8, height: 5, sampling: "nearest", threshold: 100 },
  { width: 32, height: 32, fitting: "fit", anchor: 6, sampling: "area", dither: "floyd" },
  { width: 32, height: 8, fitting: "fill", anchor: 2, sampling: "area", dither: "atkinson", invert: true },
  { width: 84, height: 48, fitting: "stretch", sampling: "nearest", dither: "bayer4", transparent: "marked" },
  { width: 128, height: 64, fitting: "fit", anchor: 4, sampling: "area", dither: "bayer8", threshold: 160 },
];
const BASE = { aspect: false, fitting: "stretch", anchor: 4, sampling: "nearest", threshold: 128, invert: false, transparent: "blank", dither: "none" };

// The map text dither.js makes of an image's pixels with settings s.
function expected(pic, s) {
  const a = +s.anchor, f = frame(pic.w, pic.h, s.width, s.height, s.fitting, a % 3, Math.floor(a / 3));
  const want = cells(values(sample(pic, f, s.sampling === "area"), s.width, s.height, s.invert, s.transparent === "marked"),
    s.width, s.height, s.threshold, s.dither);
  return Array.from({ length: s.height }, (_, y) =>
    Array.from(want.subarray(y * s.width, y * s.width + s.width), (v) => ".O"[v]).join("") + "\n").join("");
}

export async function dialogs(page) {
  await page.fresh();
  const files = [["photo", png(page.file("photo.png", ""), 90, 70, PHOTO)],
    ["logo", png(page.file("logo.png", ""), 58, 37, (x, y) =>
      LOGO[Math.floor(Math.floor(y * 50 / 37) / 10)][Math.floor(Math.floor(x * 80 / 58) / 10)] === "O" ? [90, 20, 20, 255] : [240, 220, 90, 255])]];
  for (const [name, path] of files) {
    const pic = await pngPixels(readFileSync(path));
    for (const [i, one] of SETTINGS.entries()) {
      const s = { ...BASE, ...one };
      // The logo, in two colours, opens at once: its dialog after.
      if (!await openDialog(page, path)) await page.click("image-settings");
      await set(page, s);
      const text = expected(pic, s);
      check(`${name} ${i}: preview`, await preview(page), text);
      await page.update(() => page.click("image-open"));
      const map = await page.saveMap();
      check(`${name} ${i}: opened`, [unnumbered(map.name), map.bytes.toString("latin1")], [`${name}.map`, text]);
    }
  }
  // Cancel and Esc change nothing; Open is one step, undone at once.
  const before = await page.mapText();
  for (const how of ["Cancel", "Esc", "Open"]) {
    await openDialog(page, files[0][1]);
    await set(page, { aspect: false, width: 16, height: 16 });
    if (how === "Open") await page.update(() => page.click("image-open"));
    else if (how === "Esc") await page.keys("Escape");
    else await page.js(`document.querySelector("#image-dialog button[value=cancel]").click()`);
    const text = await page.mapText();
    check(`${how}: the map`, [how === "Open" ? text.length : text, await page.js("return document.getElementById('image-dialog').open")],
      [how === "Open" ? 17 * 16 : before, false]);
  }
  await page.keys("Control+z");
  check("Open: one step undone", await page.mapText(), before);
  // An image pasted with no text beside it opens as its file would.
  await page.js(`const data = new DataTransfer(), e = new ClipboardEvent("paste", { bubbles: true, cancelable: true });
    data.items.add(new File([Uint8Array.from(atob(arguments[0]), (c) => c.charCodeAt(0))], "pasted.png", { type: "image/png" }));
    Object.defineProperty(e, "clipboardData", { value: data });
    document.getElementById("canvas").focus();
    document.getElementById("canvas").dispatchEvent(e);`, readFileSync(files[0][1]).toString("base64"));
  for (let i = 0; i < 200 && !await page.js("return !!document.getElementById('image-dialog')?.open"); i++) await sleep(50);
  const pasted = { ...BASE, ...SETTINGS[3] };
  await set(page, pasted);
  await page.update(() => page.click("image-open"));
  const map = await page.saveMap();
  check("an image pasted: its dialog, and Open", [map.name, map.bytes.toString("latin1")],
    ["pasted.map", expected(await pngPixels(readFileSync(files[0][1])), pasted)]);
  // An image of a map opens at once, and its dialog after.
  await page.loadPath(png(page.file("map.png", ""), 6, 4, (x, y) => (x + y) % 3 ? [255, 255, 255, 255] : [0, 0, 0, 255]));
  await page.click("image-settings");
  check("an image of a map: its dialog after", await page.js("return document.getElementById('image-dialog').open"), true);
  await page.keys("Escape");
}

// The README's screenshot of the image's dialog, at 1280 × 900.
export async function dialogShot(page, path) {
  await page.fresh();
  await openDialog(page, png(page.file("photo.png", ""), 90, 70, PHOTO));
  await set(page, { aspect: false, size: "84×48", width: 84, height: 48, fitting: "stretch", sampling: "area", dither: "floyd" });
  await page.b.page.screenshot({ path });
  await page.keys("Escape");
}
