// Times the browser page in one engine, for the README's table: it is
// run by the page's test (tests/web/check.mjs --out DIR or --timings),
// which hands it the page, and asserts nothing. Medians in ms:
//
//   the largest map from its bytes to its listing, beside the native
//   tool's whole run, and a PNG of 1000 × 999 pixels to its picture;
//   on a 1000 × 999 map and a 20 × 20 one: a pointer event of a drag
//   (median and 95th percentile, over runs of ten events, since some
//   engines tell time only to the millisecond), a stroke's end to the
//   listing, the text and the picture in step, a whole redraw, and a
//   pointer event of Line and of Rectangle; then, on the map opened
//   again, a pointer event of a drag mirrored both ways and of a pen of
//   size 4 (median and 95th percentile), of Ellipse, and a redraw with
//   Grid 10 on, each also as the large map's median over the small's;
//   on the large map: a fill of every cell, all selected and flipped,
//   and a Resize, each to the listing and the picture in step; on a
//   1000 × 999 map at random, each form made and opened again; a
//   stroke's end to the map kept,
//   and the keeping's own write; and the Maps list opened with 50 kept
//   maps of a million bytes each; the image's dialog for a photo of
//   1000 × 1000 and 4000 × 3000 pixels, opened, a setting's preview, Open.
import { execFileSync } from "node:child_process";
import { writeFileSync } from "node:fs";
import { png } from "../tests/web/pictures.mjs";
import { sleep } from "../tests/web/page.mjs";

export const median = (v) => [...v].sort((a, b) => a - b)[v.length >> 1];
export const p95 = (v) => [...v].sort((a, b) => a - b)[Math.floor(0.95 * v.length)];

// A key pressed n times, which must leave the button id saying text: a
// timing of an aid that was not on would be no timing of it.
async function step(page, key, n, id, text) {
  await page.keys(...Array(n).fill(key));
  const got = await page.text(id);
  if (got !== text) throw new Error(`${key} ${n} times gave "${got}", not "${text}"`);
}

export async function timings(page) {
  const t = { native: [], listing: [] };
  const maps = { large: Buffer.from(("O".repeat(1000) + "\n").repeat(999)), small: Buffer.from(("O".repeat(20) + "\n").repeat(20)) };
  for (const [size, data] of Object.entries(maps)) {
    const path = page.file(`${size}.map`, data), events = [], ends = [], redraws = [], lines = [], boxes = [];
    const mirrors = [], pens = [], ellipses = [], grids = [];
    for (let i = 0; i < 5; i++) {
      await page.fresh();
      await page.loadPath(path);
      if (size === "large") {
        t.listing.push(+(await page.data("listingMs")));
        const t0 = performance.now();
        execFileSync(page.tool, [path, `${path}.lst`]);
        t.native.push(performance.now() - t0);
      }
      await page.drawing(true);
      // To and fro over the first six rows, each of its 121 events on a
      // cell not yet painted.
      const back = Array.from({ length: 121 }, (_, j) => [Math.floor(j / 20) % 2 ? 19 - (j % 20) : j % 20, Math.floor(j / 20)]);
      const took = await page.strokes([back], false, true);
      events.push(...took.events);
      ends.push(took.end);
      for (let z = 0; z < 4; z++) {
        await page.keys(z % 2 ? "-" : "+");
        redraws.push(+(await page.data("renderMs")));
      }
      for (const [key, list] of [["l", lines], ["r", boxes]]) {
        await page.keys(key);
        list.push(...(await page.strokes([back], false, true)).events);
      }
      // The aids last, each turned back off after, on cells not painted
      // yet: a stroke undone leaves them so for the next.
      await page.loadPath(path);
      await page.keys("p");
      for (const [list, on, off] of [[mirrors, ["y", 3, "mirror", "Mirror ✣"], ["y", 1, "mirror", "Mirror off"]],
        [pens, ["]", 3, "pen-size", "Pen 4"], ["[", 3, "pen-size", "Pen 1"]]]) {
        await step(page, ...on);
        list.push(...(await page.strokes([back], false, true)).events);
        await step(page, ...off);
        await page.keys("Control+z");
      }
      await page.keys("e");
      ellipses.push(...(await page.strokes([back], false, true)).events);
      await page.keys("p");
      await step(page, "g", 4, "grid", "Grid 10");
      // Five steps in, where the large map's cells are 4 pixels and more,
      // large enough for the grid to be drawn.
      await page.keys(..."+++++");
      for (let z = 0; z < 4; z++) {
        await page.keys(z % 2 ? "-" : "+");
        grids.push(+(await page.data("renderMs")));
      }
      await step(page, "g", 2, "grid", "Grid off");
    }
    t[size] = { event: median(events), p95: p95(events), end: median(ends), redraw: median(redraws),
      line: median(lines), box: median(boxes), mirror: median(mirrors), mirrorP95: p95(mirrors), pen: median(pens),
      penP95: p95(pens), ellipse: median(ellipses), grid: median(grids) };
  }
  const tools = { fill: [], flip: [], resize: [] }, key = (k, shiftKey) => page.js(`const t0 = performance.now();
    document.getElementById("canvas").dispatchEvent(new KeyboardEvent("keydown", { key: arguments[0], shiftKey: arguments[1],
      ctrlKey: arguments[0] === "a", bubbles: true }));
    return performance.now() - t0;`, k, shiftKey);
  for (let i = 0; i < 3; i++) {
    await page.fresh();
    await page.load(Buffer.from(("O".repeat(999) + ".\n").repeat(999)));
    await page.drawing(true);
    await page.keys("f");
    tools.fill.push((await page.strokes([[[500, 500]]], false, true)).down);
    await key("a", false);
    tools.flip.push(await key("H", true));
    await page.dialog("resize", 999, 1000, "1,1");
    tools.resize.push(+(await page.data("pictureMs")));
  }
  const picture = png(page.file("large.png", ""), 1000, 999, (x, y) => (x * y) % 7 ? [255, 255, 255, 255] : [0, 0, 0, 255]);
  const opened = [];
  for (let i = 0; i < 3; i++) {
    await page.fresh();
    await page.loadPath(picture);
    opened.push(+(await page.data("pictureMs")));
  }
  const out = { ...await keeping(page), ...await dialog(page) };
  return { ...t, ...out, engine: page.b.version, native: median(t.native), listing: median(t.listing), picture: median(opened),
    fill: median(tools.fill), flip: median(tools.flip), resize: median(tools.resize) };
}

// Each form, its title in the table; a 1000 × 999 map of random cells.
export const FORMS = { png: "PNG", json: "JSON", csv: "CSV", c: "C", xbm: "XBM", pbm: "PBM (P1)", "pbm-raw": "PBM (P4)",
  tmx: "TMX" };
let seed = 2463534242;
const RANDOM = Buffer.from(Array.from({ length: 999 }, () => Array.from({ length: 1000 },
  () => (seed ^= seed << 13, seed ^= seed >>> 17, seed ^= seed << 5) >>> 31 ? "O" : ".").join("") + "\n").join(""));

// A photo-like PNG of w × h pixels in colour, made by netpbm's pamtopng.
function photo(path, w, h) {
  const head = `P7\nWIDTH ${w}\nHEIGHT ${h}\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n`, px = Buffer.alloc(4 * w * h);
  for (let y = 0, q = 0; y < h; y++) {
    for (let x = 0; x < w; x++, q += 4) px.set([(x ^ y) & 255, (x * y >> 6) & 255, (x + 3 * y) & 255, 255], q);
  }
  writeFileSync(path, execFileSync("/usr/bin/pamtopng", { input: Buffer.concat([Buffer.from(head), px]), maxBuffer: 1 << 28 }));
  return path;
}

// The image's dialog: opened for a photo of 1000 × 1000 and 4000 × 3000
// pixels; a setting's preview at 128 × 64 and at 1000 × 999 (the size, with
// area average: a pass over the image; the threshold, with
// Floyd–Steinberg: the cells alone); Open to the picture drawn.
export async function dialog(page) {
  const got = {}, set = (id, v) => page.js(`const e = document.getElementById("image-" + arguments[0]);
    e[e.type === "checkbox" ? "checked" : "value"] = arguments[1]; e.dispatchEvent(new Event("change", { bubbles: true }));
    return +document.body.dataset.previewMs;`, id, v);
  for (const [w, h] of [[1000, 1000], [4000, 3000]]) {
    const path = photo(page.file(`photo-${w}.png`, ""), w, h), opened = [], sized = [], levels = [], big = [], bigLevels = [], open = [];
    for (let i = 0; i < 3; i++) {
      await page.fresh();
      await page.b.upload("#file", path);
      for (let j = 0; j < 200 && !(await page.js("return !!document.getElementById('image-dialog')?.open")); j++) await sleep(50);
      opened.push(+(await page.data("imageDialogMs")));
      await set("aspect", false);
      await set("sampling", "area");
      await set("dither", "floyd");
      await set("width", 100);
      for (const [list, W, H] of [[sized, 128, 64], [big, 1000, 999]]) {
        await set("height", H);
        list.push(await set("width", W));
        (list === sized ? levels : bigLevels).push(await set("threshold", 100 + i));
      }
      await page.update(() => page.click("image-open"));
      open.push(+(await page.data("pictureMs")));
    }
    got[`dialog${w}`] = { opened: median(opened), sized: median(sized), level: median(levels), big: median(big),
      bigLevel: median(bigLevels), open: median(open) };
  }
  return got;
}

// The dialog's lines in a table: what each is, and its figure of a run.
export const dialogLines = [1000, 4000].flatMap((w) => {
  const name = w === 1000 ? "photo of 1000 × 1000" : "photo of 4000 × 3000", d = (r) => r[`dialog${w}`];
  return [[`${name}: the file to its dialog shown, preview drawn`, (r) => d(r).opened],
    [`${name}: a size of 128 × 64, area average, preview`, (r) => d(r).sized],
    [`${name}: the threshold at 128 × 64, Floyd–Steinberg, preview`, (r) => d(r).level],
    [`${name}: a size of 1000 × 999, area average, preview`, (r) => d(r).big],
    [`${name}: the threshold at 1000 × 999, Floyd–Steinberg, preview`, (r) => d(r).bigLevel],
    [`${name}: Open at 1000 × 999, to its picture drawn`, (r) => d(r).open]];
});

// Each form made from the random map five times, and opened again from
// the file made: the form's own reading to the map's bytes (a PNG's to
// its picture drawn, as every picture is timed).
export async function forms(page) {
  const made = Object.fromEntries(Object.keys(FORMS).map((f) => [f, []])), opened = structuredClone(made);
  for (let i = 0; i < 5; i++) {
    await page.fresh();
    for (const f of Object.keys(FORMS)) {
      await page.load(RANDOM);
      await page.js(`const s = document.getElementById("form"); s.value = arguments[0]; s.dispatchEvent(new Event("change"));
        document.getElementById("form-download").click();`, f);
      made[f].push(+(await page.data("formMs")));
      const { name, bytes } = await page.saved();
      await page.load(bytes, name);
      opened[f].push(+(await page.data(f === "png" ? "pictureMs" : "formOpenMs")));
    }
  }
  const medians = (t) => Object.fromEntries(Object.entries(t).map(([f, v]) => [f, median(v)]));
  return { forms: medians(made), formsOpened: medians(opened) };
}

async function keeping(page) {
  const kept = [], wrote = [], listed = [];
  const million = Buffer.from(("O".repeat(998) + ".\n").repeat(1000));
  for (let i = 0; i < 3; i++) {
    await page.fresh();
    await page.load(million);
    await page.kept();
    await page.drawing(true);
    await page.strokes([[[1, 1], [5, 1]]], false);
    await page.kept();
    kept.push(+(await page.data("keptMs")));
    wrote.push(+(await page.data("keepMs")));
  }
  // 50 maps of a million bytes, as the page keeps them, then the list.
  await page.fresh();
  await page.js(`const db = await new Promise((done, fail) => Object.assign(indexedDB.open("gridpin", 2), {
      onsuccess: (e) => done(e.target.result), onerror: fail }));
    const bytes = new Uint8Array(1000000).fill(46), t = db.transaction(["entries", "texts"], "readwrite");
    for (let i = 0; i < 50; i++) {
      t.objectStore("texts").put(bytes, "bench-" + i);
      t.objectStore("entries").put({ entry: "bench-" + i, name: "bench-" + i + ".map", from: "a file", size: bytes.length,
        changed: Date.now() + i, thumb: { w: 48, h: 48, cells: new Uint8Array(48 * 48).fill(1) } });
    }
    await new Promise((done) => { t.oncomplete = done; });
    db.close();`);
  for (let i = 0; i < 3; i++) {
    await page.open();
    await page.keys("m");
    for (let j = 0; j < 100 && !(await page.data("mapsMs")); j++) await new Promise((r) => setTimeout(r, 50));
    listed.push(+(await page.data("mapsMs")));
  }
  return { ...await forms(page), kept: median(kept), wrote: median(wrote), listed: median(listed) };
}

// The table of the engines' timings, as Markdown.
export function timingTable(rows) {
  // A ratio over a median of 0 (under an engine's millisecond) is none.
  const f = (v) => Number.isFinite(v) ? v.toFixed(v < 10 ? 2 : 1) : "–";
  const line = (what, get) => `| ${what} | ${rows.map((r) => f(get(r))).join(" | ")} |`;
  return [`Medians in ms, ${rows.map((r) => r.engine).join(", ")}:`, "",
    `| | ${rows.map((r) => r.engine.split(" ")[0]).join(" | ")} |`, `|---|${rows.map(() => "---:").join("|")}|`,
    line("native tool, whole run, 999 lines of 1000 `O`", (r) => r.native),
    line("page, the same map's bytes to its listing", (r) => r.listing),
    line("page, a PNG of 1000 × 999 pixels opened, to its picture drawn", (r) => r.picture),
    ...["large", "small"].flatMap((size) => {
      const name = size === "large" ? "1000 × 999" : "20 × 20";
      return [line(`${name}: a pointer event of a drag, median (of runs of ten)`, (r) => r[size].event),
        line(`${name}: a pointer event, 95th percentile (of runs of ten)`, (r) => r[size].p95),
        line(`${name}: a stroke's end to listing, text and picture in step`, (r) => r[size].end),
        line(`${name}: a whole redraw of the picture`, (r) => r[size].redraw),
        line(`${name}: a pointer event of a Line, shown (median, runs of ten)`, (r) => r[size].line),
        line(`${name}: a pointer event of a Rectangle, shown (median, runs of ten)`, (r) => r[size].box),
        line(`${name}: a pointer event of a drag mirrored both ways, median (of runs of ten)`, (r) => r[size].mirror),
        line(`${name}: a pointer event mirrored both ways, 95th percentile (of runs of ten)`, (r) => r[size].mirrorP95),
        line(`${name}: a pointer event of a pen of size 4, median (of runs of ten)`, (r) => r[size].pen),
        line(`${name}: a pointer event of a pen of size 4, 95th percentile (of runs of ten)`, (r) => r[size].penP95),
        line(`${name}: a pointer event of an Ellipse, shown (median, runs of ten)`, (r) => r[size].ellipse),
        line(`${name}: a zoom with the rulers and Grid 10, the whole redraw`, (r) => r[size].grid)];
    }),
    // The aids should cost the large map no more than 1.5 times the small.
    ...[["mirror", "a pointer event mirrored both ways"], ["pen", "a pointer event of a pen of size 4"],
      ["ellipse", "a pointer event of an Ellipse"], ["grid", "a zoom with the rulers and Grid 10"]]
      .map(([k, what]) => line(`large ÷ small: ${what}, medians`, (r) => r.large[k] / r.small[k])),
    line("1000 × 999: a fill of every cell, click to listing and picture in step", (r) => r.fill),
    line("1000 × 999: all selected and flipped, key to listing and picture in step", (r) => r.flip),
    line("1000 × 999: resized to 999 × 1000 about the centre, to listing and picture in step", (r) => r.resize),
    ...Object.entries(FORMS).flatMap(([f, title]) => [line(`1000 × 999 at random: the map as ${title}, made`, (r) => r.forms[f]),
      line(`1000 × 999 at random: its ${title} opened, to the map's bytes`, (r) => r.formsOpened[f])]),
    line("1,000,000 bytes: a stroke's end to the map kept (50 of it the wait for more steps)", (r) => r.kept),
    line("1,000,000 bytes: the keeping's own write", (r) => r.wrote),
    line("the Maps list opened with 50 kept maps of 1,000,000 bytes", (r) => r.listed),
    ...dialogLines.map(([what, of]) => line(what, of)), ""].join("\n");
}
