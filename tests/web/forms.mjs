// Each map of MAPS in each other form and line end, downloaded and copied,
// held against what is derived here from the native tool's listing (a PNG
// decoded by Node's zlib, the same in every engine, the large ones against
// optipng's size), and opened back; and scenarios.tsv's loadas action.
import { execFileSync } from "node:child_process";
import { readFileSync, statSync } from "node:fs";
import { crc32, inflateSync } from "node:zlib";
import { bin, check, expand, sha256, sleep } from "./page.mjs";

// 999 rows of 1000 cells, each marked or not at random, the same every
// run: there is no pattern in it to compress.
let seed = 2463534242;
const coin = () => ((seed ^= seed << 13, seed ^= seed >>> 17, seed ^= seed << 5) >>> 31) ? "O" : ".";
const RANDOM = Array.from({ length: 999 }, () => `${Array.from({ length: 1000 }, coin).join("")}\n`).join("");

const MAPS = [  // name | map text | the forms tried, if not all
  ["even", "O.O\n.O.\nOOO\n"],
  ["ragged, the last row not the widest", "O.........O\n.O\r\n\r\n\t.O.\xe9O\r\nO.O"],
  ["eight and nine wide", "OOOOOOOO\n.......O.\nO\n"],
  ["no point", "...\n..\n"],
  ["empty", ""],
  ["one row of a million cells, no line end", `${"O.".repeat(499999)}OO`, ["png"]],
  ["1000 × 999 at random", RANDOM, ["png"]],
  ["1000 × 999, ragged", RANDOM.split("\n").map((l, y) => l.slice(0, 1000 - y % 7)).join("\n"), ["png"]],
  ["1000 × 999, a sixteenth marked", RANDOM.replace(/[O.]/g, (c, at) => RANDOM.startsWith("OOOO", at) ? "O" : "."), ["png"]],
  // A map of 1,000,000 bytes that fits but for its last line feed, and
  // one whose rectangle would be twice what a map holds.
  ["100 × 9901, no last line feed", Array.from({ length: 9901 }, (_, y) => ".".repeat(y % 100) + "O" + ".".repeat(99 - y % 100)).join("\n")],
  ["a row of 2000 cells over 999 rows of one", `${"O.".repeat(1000)}\n${"O\n.\n".repeat(500).slice(0, 1998)}`],
];
const CAPACITY = 1000000;
// Maps whose PNG is held against optipng -o2's size.
const NEAR_OPTIPNG = ["one row of a million cells, no line end", "1000 × 999 at random", "1000 × 999, ragged", "1000 × 999, a sixteenth marked"];
// Each form and its options as tried: "c/arduino/lsb" is C for Arduino, rows least significant bit first.
const FORMS = { png: ".png", json: ".json", csv: ".csv", "c/plain/msb": ".h", "c/arduino/lsb": ".h", "c/plain/vertical": ".h",
  xbm: ".xbm", pbm: ".pbm", "pbm-raw": ".pbm", tmx: ".tmx" };
const CELLS = /^(png|c\/|xbm|pbm|tmx)/;
const pngs = new Map();  // each map's PNG's sha256, from the first engine

// The rows' cell counts, a cell an O or a full stop.
const rowsOf = (text) => text.split("\n").map((l) => [...l].filter((c) => c === "O" || c === ".").length).filter((n) => n > 0);

// The file each form must be; for PNG its header and pixels, "k" black, "w" white, "t" transparent.
function want(form, text, { w, h, points }, eol) {
  const rows = rowsOf(text), wide = Math.max(...rows);
  if (form === "json") return `{"width": ${w}, "height": ${h}, "points": [${points.map(([x, y]) => `[${x}, ${y}]`).join(", ")}]}${eol}`;
  if (form === "csv") return `x,y${eol}${points.map(([x, y]) => `${x},${y}${eol}`).join("")}`;
  const px = rows.map((n) => [..."w".repeat(n).padEnd(wide, "t")]), n = Math.ceil(wide / 8);
  for (const [x, y] of points) px[y][x] = "k";
  const depth = new Set(rows).size <= 1 ? 1 : 2;  // two bits only for the transparent
  if (form === "png") return { head: [wide, rows.length, depth, 3, 0, 0, 0], rows: px.map((r) => r.join("")) };
  const bit = (x, y) => px[y]?.[x] === "k" ? 1 : 0, hex = (b) => `0x${b.toString(16).padStart(2, "0")}`;
  const byte = (f) => Array.from({ length: 8 }, (_, i) => f(i) << i).reduce((a, b) => a | b);
  const [name, flavour, order = name === "xbm" ? "lsb" : "msb"] = form.split("/");
  // A line of bytes a row, or a page of 8 rows.
  const lines = order === "vertical" ? Array.from({ length: Math.ceil(h / 8) }, (_, p) => Array.from({ length: wide }, (_, x) => byte((i) => bit(x, 8 * p + i))))
    : px.map((_, y) => Array.from({ length: n }, (_, j) => byte((i) => bit(8 * j + (order === "msb" ? 7 - i : i), y))));
  if (name === "pbm") return [`P1${eol}${wide} ${h}${eol}`, ...px.map((_, y) => Array.from({ length: wide }, (_, x) => bit(x, y)).join("").match(/.{1,70}/g).map((l) => l + eol).join(""))].join("");
  if (name === "tmx") {
    const tile = (id, colour) => ` <tile id="${id}"><image width="8" height="8" format="png"><data encoding="base64">${colour}</data></image></tile>`;
    return ['<?xml version="1.0" encoding="UTF-8"?>', `<map version="1.8" orientation="orthogonal" renderorder="right-down" width="${wide}" ` +
      `height="${h}" tilewidth="8" tileheight="8" infinite="0" nextlayerid="2" nextobjectid="1">`,
    '<tileset firstgid="1" name="cells" tilewidth="8" tileheight="8" tilecount="2" columns="0">', ' <grid orientation="orthogonal" width="1" height="1"/>',
    tile(0, "iVBORw0KGgoAAAANSUhEUgAAAAgAAAAICAIAAABLbSncAAAAD0lEQVR42mP4jwMwDC0JALoev0GJ6La7AAAAAElFTkSuQmCC"),
    tile(1, "iVBORw0KGgoAAAANSUhEUgAAAAgAAAAICAIAAABLbSncAAAADElEQVR42mNgGB4AAADIAAGTvaWOAAAAAElFTkSuQmCC"), "</tileset>",
    `<layer id="1" name="cells" width="${wide}" height="${h}">`, '<data encoding="csv">',
    px.map((r) => r.map((p) => ({ k: 2, w: 1, t: 0 })[p]).join(",")).join(`,${eol}`), "</data>", "</layer>", "</map>", ""].join(eol);
  }
  if (name === "pbm-raw") return `P4\n${wide} ${h}\n${Buffer.from(lines.flat()).toString("latin1")}`;
  if (name === "xbm") return ["#define test_width " + wide, `#define test_height ${h}`, "static unsigned char test_bits[] = {",
    ...lines.map((l) => `   ${l.map(hex).join(", ")},`), "};", ""].join(eol);
  const says = order === "vertical" ? `vertical bytes: pages of 8 rows, each page ${wide.toLocaleString("en")} byte${wide === 1 ? "" : "s"}, a column a byte from the left, its top row in the least significant bit`
    : `each row in ${n.toLocaleString("en")} byte${n === 1 ? "" : "s"}, its leftmost cell in the ${order === "msb" ? "most" : "least"} significant bit`;
  return [`/* test: ${wide} by ${h} cells, a bit a cell, 1 marked; ${says}. */`, "#ifndef test_H", "#define test_H",
    ...flavour === "arduino" ? ["#include <stdint.h>", "#ifdef __AVR__", "#include <avr/pgmspace.h>", "#endif", "#ifndef PROGMEM", "#define PROGMEM", "#endif"] : [],
    `#define test_WIDTH ${wide}`, `#define test_HEIGHT ${h}`, flavour === "arduino" ? "const uint8_t test[] PROGMEM = {" : "static const unsigned char test[] = {",
    ...lines.map((l) => `    ${l.map(hex).join(", ")},`), "};", "#endif", ""].join(eol);
}

// A PNG decoded, its CRCs checked, or what is wrong with it.
function decodePNG(png) {
  const chunks = {};
  for (let at = 8; at < png.length; at += 12 + png.readUInt32BE(at)) {
    const n = png.readUInt32BE(at), type = png.toString("latin1", at + 4, at + 8);
    if (crc32(png.subarray(at + 4, at + 8 + n)) !== png.readUInt32BE(at + 8 + n)) return `${type}'s CRC`;
    chunks[type] = Buffer.concat([chunks[type] ?? Buffer.alloc(0), png.subarray(at + 8, at + 8 + n)]);
  }
  const w = chunks.IHDR.readUInt32BE(0), h = chunks.IHDR.readUInt32BE(4), depth = chunks.IHDR[8], raw = inflateSync(chunks.IDAT);
  const palette = [0, 1, 2].map((i) => [...chunks.PLTE.subarray(3 * i, 3 * i + 3), chunks.tRNS?.[i] ?? 255].join());
  const colour = (c) => ({ "0,0,0,255": "k", "255,255,255,255": "w" })[c] ?? (c.endsWith(",0") ? "t" : "?");
  const per = 8 / depth, stride = Math.ceil(w / per) + 1;
  const px = (y, x) => colour(palette[raw[y * stride + 1 + Math.floor(x / per)] >> (8 - depth - depth * (x % per)) & (2 ** depth - 1)]);
  if (raw.length !== stride * h) return `${raw.length} bytes of rows, not ${stride * h}`;
  return { head: [w, h, ...chunks.IHDR.subarray(8)], rows: Array.from({ length: h }, (_, y) => raw[y * stride] ? "filtered"
    : Array.from({ length: w }, (_, x) => px(y, x)).join("")) };
}

// The form downloaded and copied: whether the text is the file's (null: no copy).
async function saveForm(page, form, ends) {
  const copied = await page.js(`const [[form, flavour, order], ends] = arguments, $ = (id) => document.getElementById(id);
    Object.assign($("form"), { value: form }).dispatchEvent(new Event("change"));
    if (flavour) [$("form-flavour").value, $("form-order").value] = [flavour, order];
    document.querySelector('input[name="ends"][value="' + ends + '"]').click();
    if ($("form-download").disabled) return "none";
    let clip = null;
    Object.defineProperty(navigator, "clipboard", { configurable: true, value: { writeText: async (text) => { clip = text; } } });
    if (!$("form-copy").disabled) $("form-copy").click();
    for (let i = 0; i < 100 && !$("form-copy").disabled && clip === null; i++) await new Promise((r) => setTimeout(r, 20));
    $("form-download").click();
    return $("form-copy").disabled ? null : clip === await saved.at(-1).blob.text();`, form, ends);
  return copied === "none" ? null : { copied, ...(await page.saved()) };
}
const pointsOf = (listing) => listing.split("\n").slice(1).join("\n");

// The size of optipng -o2's PNG of the same picture.
function optimised(path) {
  execFileSync("optipng", ["-quiet", "-o2", "-clobber", "-out", `${path}.opt.png`, path]);
  return statSync(`${path}.opt.png`).size;
}

export async function forms(page) {
  await page.fresh();
  check("forms: the choice, made from the list of forms", await page.js(`return [...document.querySelectorAll("#form option")]
    .map((o) => o.value + ":" + o.textContent).join("|")`), "png:PNG, a pixel a cell|json:JSON of the listing|csv:CSV of the listing|c:C header, a bit a cell|" +
    "xbm:XBM, X11's bitmap|pbm:PBM, plain (P1)|pbm-raw:PBM, raw (P4)|tmx:Tiled map (TMX)");
  for (const [name, text, only] of MAPS) {
    const path = page.file("form.map", bin(text));
    execFileSync(page.tool, [path, `${path}.lst`]);
    const listing = readFileSync(`${path}.lst`, "latin1"), lines = listing.split("\n").slice(0, -1), rows = rowsOf(text);
    const [w, h] = lines[0].match(/\d+/g).map(Number), points = lines.slice(1).map((l) => l.match(/\d+/g).map(Number));
    // With no map kept, it is test.map, whose name the C forms write.
    await page.fresh();
    await page.load(bin(text));
    for (const [form, ext] of Object.entries(FORMS).filter(([f]) => !only || only.includes(f))) {
      for (const ends of form === "png" || form === "pbm-raw" || text.length > 1000 ? ["lf"] : ["lf", "crlf"]) {
        const row = `${name}, ${form}, ${ends}`, out = await saveForm(page, form.split("/"), ends);
        check(`${row}: offered`, !!out, h > 0 || !CELLS.test(form));
        if (!out) continue;
        const wanted = want(form, text, { w, h, points }, ends === "crlf" ? "\r\n" : "\n");
        if (form === "png" && !pngs.has(name) && NEAR_OPTIPNG.includes(name)) {
          const limit = Math.floor(1.1 * optimised(page.file("form.png", out.bytes)));
          check(`${row}: within a tenth of optipng -o2's size`, out.bytes.length <= limit || `${out.bytes.length} > ${limit}`, true);
        }
        if (form === "png") pngs.set(name, pngs.get(name) ?? sha256(out.bytes));
        check(`${row}: the file, the same in every engine`, [out.name, form === "png" ? decodePNG(out.bytes) : sha256(out.bytes),
          out.copied, form !== "png" || pngs.get(name) === sha256(out.bytes)],
        [`test${ext}`, form === "png" ? wanted : sha256(bin(wanted)), (form !== "png" && form !== "pbm-raw") || null, true]);
        // Opened back: JSON and a PNG of even rows give the same listing,
        // the rest the same points; bitmaps their rectangle, or, where that
        // is more than a map holds, rows ended at their last marked cell (a
        // blank row one cell; PNG and TMX where their rows end), said so.
        await page.load(out.bytes, `back${ext}`);
        const back = (await page.download("lf")).bytes.toString("latin1"), same = form === "json" || (form === "png" && new Set(rows).size <= 1);
        const wide = form === "csv" ? points.reduce((m, [x]) => Math.max(m, x + 1), 0) : Math.max(...rows), trimmed = form !== "json" && (wide + 1) * h > CAPACITY + 1;
        const bitmap = CELLS.test(form) && form !== "png", cells = bitmap && want("png", text, { points }).rows.map((r) => r.replace(/k/g, "O")
          .replace(trimmed ? (form === "tmx" ? /t+$/ : /(?!^)[wt]+$/) : /$^/, "").replace(/[wt]/g, ".") + "\n");
        const says = form === "png" ? ["pixels", "pixel that is not transparent"] : ["cells", "marked cell"];
        check(`${row}: opened back`, [await page.text("opened"), same ? back : pointsOf(back), bitmap && await page.mapText()],
          [trimmed ? `back${ext} is ${wide} × ${h} ${says[0]}, more than a map holds as a rectangle: each row ends at its last ${says[1]}.` : "",
            same ? listing : pointsOf(listing), bitmap && cells.join("").slice(0, CAPACITY)]);
        // Back to the map by Undo where opening it back made a step:
        // opened again, it would be test (2).map.
        if (!(await page.text("source")).startsWith("test.map:")) await page.update(() => page.click("undo"));
      }
    }
  }
}

export const FORM_ACTIONS = {
  // A file of this name, waited for until it opens or is refused.
  async loadas(page, [name], rest) {
    const run = await page.data("run");
    await page.b.upload("#file", page.file(name, bin(expand(rest.slice(name.length).trim()))));
    for (let i = 0; i < 100 && (await page.data("run")) === run && !(await page.text("opened")); i++) await sleep(50);
  },
};
