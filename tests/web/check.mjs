// Tests the browser page, gridpin.html, opened from disk in Chromium,
// Firefox and WebKit (see browsers.mjs):
//
//   node check.mjs [--engines chromium,firefox,webkit] [--cases-only]
//                  [--tool GRIDPIN] [--out DIR] PAGE
//
// In every engine: each row of tests/cli/cases.tsv that converts a map,
// through the page's own file input, the listing it saves compared to the
// row's; maps painted in the picture, saved, and their listings compared
// to what the native GRIDPIN writes; undo and redo; a new map; pictures
// as maps; refused bytes; axe-core. In Chromium alone: real downloads,
// touch, a 360-pixel screen, a shared link and, given DIR, the largest
// maps timed (to DIR/timings.md) and a screenshot of drawing
// (DIR/drawing.png).
import { execFileSync } from "node:child_process";
import { createHash } from "node:crypto";
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { basename, join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { parseArgs } from "node:util";
import { deflateSync } from "node:zlib";
import { launch } from "./browsers.mjs";

const ROOT = resolve(import.meta.dirname ?? new URL(".", import.meta.url).pathname, "../..");
const FORMS = join(ROOT, "tests/cli/forms.sh");
// The messages a map itself brings about; the others are about paths,
// pipes and disks, which a page does not have.
const MAP_MESSAGES = /^(Unexpected character .*|infile too large)\n$/s;
const failures = [];
const sha256 = (bytes) => createHash("sha256").update(bytes).digest("hex");
const bin = (text) => Buffer.from(text, "latin1");
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const median = (v) => v.length ? [...v].sort((a, b) => a - b)[v.length >> 1] : NaN;

function check(name, got, want) {
  const g = JSON.stringify(got), w = JSON.stringify(want);
  if (g !== w) {
    failures.push(name);
    console.log(`FAIL ${name}: got ${g.slice(0, 300)}, expected ${w.slice(0, 300)}`);
  }
}

const form = (args, cwd) => execFileSync("bash", [FORMS, ...args], { cwd });

// The page in one browser, with the few things its tests do to it.
class Page {
  constructor(browser, url, scratch) {
    Object.assign(this, { b: browser, url, scratch, files: 0 });
  }

  async open(url = this.url, { keep = true } = {}) {
    await this.b.open(url);
    for (let i = 0; !(await this.js("return document.body.dataset.ready")); i++) {
      if (i === 300) throw new Error(`${this.b.engine}: the page did not start`);
      await sleep(100);
    }
    // Saved files are kept here instead of downloaded: name and bytes.
    if (keep) await this.js(`window.saved = [];
      const blobs = new Map(), create = URL.createObjectURL;
      URL.createObjectURL = (blob) => { const url = create.call(URL, blob); blobs.set(url, blob); return url; };
      HTMLAnchorElement.prototype.click = function () { saved.push({ name: this.download, blob: blobs.get(this.href) }); };`);
  }

  js(body, ...args) { return this.b.js(body, ...args); }
  text(id) { return this.js("return document.getElementById(arguments[0]).textContent", id); }
  data(name) { return this.js("return document.body.dataset[arguments[0]]", name); }

  // Does act, then waits for the update it brings about, if it comes:
  // where it does not, what is checked next tells. True if it came.
  async afterRun(act) {
    const run = await this.data("run");
    await act();
    for (let i = 0; i < 100; i++) {
      if ((await this.data("run")) !== run) return true;
      await sleep(50);
    }
    return false;
  }

  // A file of these bytes, in a folder of its own, to open.
  file(name, bytes) {
    const path = join(this.scratch, `${this.files++}`, name);
    mkdirSync(join(path, ".."), { recursive: true });
    writeFileSync(path, bytes);
    return path;
  }
  load(bytes, name = "test.map") { return this.loadPath(this.file(name, bytes)); }
  loadPath(path) { return this.afterRun(() => this.b.upload("#file", path)); }
  click(id) { return this.js("document.getElementById(arguments[0]).click()", id); }

  // The last file the page saved: its name and bytes, or for a large one,
  // its length and SHA-256.
  async saved(large = false) {
    const [name, data] = await this.js(`const s = saved.pop();
      const bytes = new Uint8Array(await s.blob.arrayBuffer());
      if (arguments[0]) {
        const hash = new Uint8Array(await crypto.subtle.digest("SHA-256", bytes));
        return [s.name, bytes.length + " " + [...hash].map((b) => b.toString(16).padStart(2, "0")).join("")];
      }
      let text = "";
      for (const b of bytes) text += String.fromCharCode(b);
      return [s.name, btoa(text)];`, large);
    return { name, bytes: large ? data : Buffer.from(data, "base64") };
  }
  async saveMap() { await this.click("save"); return this.saved(); }
  async mapText() { return (await this.saveMap()).bytes.toString("latin1"); }
  async download(ends) {
    await this.js(`document.querySelector('input[name="ends"][value="${ends}"]').click()`);
    await this.click("download");
    return this.saved();
  }

  // Where a cell of the picture is in the viewport, fx and fy of the way
  // into it: three quarters, where rounding would be a cell off.
  async point(x, y, fx = 0.75, fy = 0.75) {
    return this.js(`const c = document.getElementById("canvas"), d = c.dataset, r = c.getBoundingClientRect();
      return [r.left + c.clientLeft + +d.x0 + (arguments[0] + arguments[2]) * d.cell,
              r.top + c.clientTop + +d.y0 + (arguments[1] + arguments[3]) * d.cell];`, x, y, fx, fy);
  }
  async clickCell(x, y) {
    const p = await this.point(x, y);
    await this.afterRun(() => this.b.mouse([{ move: p }, { down: 0 }, { up: 0 }]));
  }
  // A drag through these cells, each a pointer sample.
  async drag(...cells) {
    const points = [];
    for (const [x, y] of cells) points.push(await this.point(x, y));
    await this.afterRun(() => this.b.mouse([{ move: points[0] }, { down: 0 },
      ...points.slice(1).map((p) => ({ move: p })), { up: 0 }]));
  }
  keys(...combos) { return this.afterRun(() => this.b.keys(...combos)); }
  // Drawing on, the picture focused, its cursor on the first cell.
  async cursor() {
    await this.drawing(true);
    await this.js("document.getElementById('canvas').focus()");
    await this.b.keys("ArrowRight");
  }
  async drawing(on) {
    if ((await this.js("return document.getElementById('draw').getAttribute('aria-pressed')")) !== String(on)) {
      await this.click("draw");
    }
  }
}

// Every row of the case table that converts a map, through the page.
async function cases(page) {
  let n = 0;
  const lines = readFileSync(join(ROOT, "tests/cli/cases.tsv"), "utf8").split("\n");
  for (const [i, line] of lines.entries()) {
    if (!line.trim() || line.trimStart().startsWith("#")) continue;
    const [name, on, args, files, status, stderr, out] = line.split("|").map((f) => f.trim());
    const folder = join(page.scratch, `case${i}`);
    mkdirSync(folder);
    form(["files", files], folder);
    const words = form(["long", args]).toString().split(/\s+/).filter(Boolean);
    const message = form(["content", stderr]).toString();
    if (on === "windows" || words.length !== 2 || !statSync(join(folder, words[0]), { throwIfNoEntry: false })?.isFile() ||
        !(message === "" || MAP_MESSAGES.test(message))) continue;
    n++;
    await page.loadPath(join(folder, words[0]));
    check(`${name}: message`, await page.text("message"), message);
    check(`${name}: download offered`, await page.js("return !document.getElementById('download').disabled"), status === "0");
    if (status !== "0") continue;
    const lf = await page.download("lf"), crlf = await page.download("crlf");
    const want = out.startsWith("sha256:") ? out.slice(7) : sha256(form(["want", out]));
    check(`${name}: listing`, sha256(lf.bytes), want);
    check(`${name}: CR LF`, crlf.bytes.toString("latin1"), lf.bytes.toString("latin1").replace(/\n/g, "\r\n"));
    check(`${name}: named`, lf.name, basename(words[0]).replace(/(.)\.[^.]*$/, "$1") + ".lst");
  }
  return n;
}

// Maps painted in the picture, each step written out: single clicks, a
// drag, Space on the keyboard cursor, a cell past a row's end and one
// below the last row. The saved map must be exactly `want`.
const PAINTED = [
  { name: "CR LF, a tab, 0xE9, an empty line, no last line end",
    map: "\tO.O\r\n.\xe9O.\r\n\r\nOO",
    steps: [["click", 1, 0], ["click", 0, 0], ["click", 4, 1], ["click", 1, 4], ["drag", [0, 2], [1, 2]]],
    want: "\t.OO\r\n.\xe9O..O\r\n\r\n..\r\n..\r\n.O" },
  { name: "LF, ragged rows, a tab and 0xE9",
    map: "O.O.\n.O\t\n\xe9..O\n",
    // A drag that blanks a row; one that marks a row and grows it; a
    // diagonal whose samples are two cells apart; Space; a row below.
    steps: [["drag", [0, 0], [3, 0]], ["drag", [0, 1], [3, 1]], ["drag", [0, 2], [2, 0]],
      ["keys", "ArrowRight", "ArrowRight", "Space"], ["click", 0, 4]],
    want: ".OO.\nOO\tOO\n\xe9O.O\n.\nO\n" },
];

async function painting(page, tool) {
  for (const { name, map, steps, want } of PAINTED) {
    await page.open();
    await page.load(bin(map), "painted.map");
    await page.drawing(true);
    for (const [kind, ...args] of steps) {
      if (kind === "click") await page.clickCell(...args);
      else if (kind === "drag") await page.drag(...args);
      else {
        await page.js("document.getElementById('canvas').focus()");
        await page.keys(...args);
      }
    }
    const saved = await page.saveMap();
    check(`${name}: saved map`, saved.bytes.toString("latin1"), want);
    check(`${name}: saved as`, saved.name, "painted.map");
    const listing = (await page.download("lf")).bytes;
    const path = page.file("painted.map", saved.bytes);
    execFileSync(tool, [path, `${path}.lst`]);
    check(`${name}: listing as the tool's`, sha256(listing), sha256(readFileSync(`${path}.lst`)));

    // Back to before the file was opened, by keys and the button, and on
    // again: every step, the first included.
    for (let i = 0; i < steps.length; i++) await page.keys("Control+z");
    check(`${name}: undone to the file`, await page.mapText(), map);
    await page.afterRun(() => page.click("undo"));
    check(`${name}: undone to the start`, [(await page.saveMap()).bytes.length,
      await page.js("return document.getElementById('undo').disabled")], [0, true]);
    await page.keys("Control+Shift+z");
    for (let i = 0; i < steps.length - 1; i++) await page.keys(i % 2 ? "Control+y" : "Control+Shift+z");
    await page.afterRun(() => page.click("redo"));
    check(`${name}: redone`, [await page.mapText(),
      await page.js("return document.getElementById('redo').disabled")], [want, true]);
  }

  // Painting is a mode: off, a click pans and changes nothing.
  await page.open();
  await page.load(bin("O.\n"));
  await page.b.mouse([{ move: await page.point(1, 0) }, { down: 0 }, { up: 0 }]);
  check("not drawing: unchanged", await page.mapText(), "O.\n");
  // A refused map is mended from its picture: its refused byte is a cell.
  await page.load(bin("O.\r\nO0.\r\n"));
  check("refused: the hint", await page.text("hint"), "A marked cell is the capital letter O, not the digit zero.");
  await page.drawing(true);
  await page.clickCell(1, 1);
  check("refused: mended", [await page.mapText(), await page.text("message")], ["O.\r\nOO.\r\n", ""]);
  // Typing is a step of the same history.
  await page.js("const t = document.getElementById('text'); t.focus(); t.setSelectionRange(2, 2);");
  await page.afterRun(() => page.b.type("O"));
  check("typed, CR LF kept", await page.mapText(), "O.O\r\nOO.\r\n");
  await page.keys("Control+z");
  check("typing undone", await page.mapText(), "O.\r\nOO.\r\n");
  // The page holds a map's byte more than the tool converts, and no more:
  // a larger file could be saved only cut short, so it is not.
  for (const [size, saves] of [[1_000_001, true], [1_000_002, false]]) {
    await page.load(Buffer.alloc(size, "."));
    check(`a file of ${size} bytes: Save map`, await page.js("return !document.getElementById('save').disabled"), saves);
  }
}

// A PNG of RGBA pixels, rows of [r, g, b, a].
function png(width, height, pixel) {
  const crcTable = Array.from({ length: 256 }, (_, n) => {
    for (let k = 0; k < 8; k++) n = n & 1 ? 0xedb88320 ^ (n >>> 1) : n >>> 1;
    return n >>> 0;
  });
  const crc = (buf) => ~buf.reduce((c, b) => crcTable[(c ^ b) & 0xff] ^ (c >>> 8), -1) >>> 0;
  const chunk = (type, data) => {
    const body = Buffer.concat([Buffer.from(type), data]), out = Buffer.alloc(body.length + 8);
    out.writeUInt32BE(data.length, 0);
    body.copy(out, 4);
    out.writeUInt32BE(crc(body), body.length + 4);
    return out;
  };
  const raw = Buffer.alloc((width * 4 + 1) * height);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) raw.set(pixel(x, y), y * (width * 4 + 1) + 1 + x * 4);
  }
  const head = Buffer.alloc(13);
  head.writeUInt32BE(width, 0);
  head.writeUInt32BE(height, 4);
  head.set([8, 6, 0, 0, 0], 8);
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 13, 10, 26, 10]), chunk("IHDR", head),
    chunk("IDAT", deflateSync(raw)), chunk("IEND", Buffer.alloc(0))]);
}

async function newMaps(page) {
  await page.open();
  await page.click("new");
  await page.js(`document.getElementById("new-width").value = 7; document.getElementById("new-height").value = 3;`);
  await page.afterRun(() => page.click("new-make"));
  const made = await page.saveMap();
  check("new map", [made.name, made.bytes.toString("latin1")], ["map.map", ".......\n".repeat(3)]);

  // Pixels: opaque black and white; black half and less than half
  // opaque; then green, red, and the greys either side of the middle.
  const pixels = [[[0, 0, 0, 255], [255, 255, 255, 255], [0, 0, 0, 128], [0, 0, 0, 127]],
    [[0, 255, 0, 255], [255, 0, 0, 255], [128, 128, 128, 255], [127, 127, 127, 255]]];
  await page.load(png(4, 2, (x, y) => pixels[y][x]), "pixels.png");
  const map = await page.saveMap();
  check("picture: map", [map.name, map.bytes.toString("latin1")], ["pixels.map", "O.O.\n.O.O\n"]);

  // One pixel too wide for a map: refused, and nothing changes.
  await page.js("document.getElementById('opened').textContent = ''");
  await page.b.upload("#file", page.file("wide.png", png(1001, 999, () => [255, 255, 255, 255])));
  for (let i = 0; !(await page.text("opened")) && i < 100; i++) await sleep(100);
  check("picture too large: said", (await page.text("opened")).match(/1001 × 999 pixels.*1,000,998 bytes.*1,000,000/) !== null, true);
  check("picture too large: map kept", await page.mapText(), "O.O.\n.O.O\n");
  // The largest that fits.
  await page.load(png(1000, 999, (x, y) => x === y ? [0, 0, 0, 255] : [255, 255, 255, 255]), "largest.png");
  check("largest picture", [await page.text("message"), (await page.text("points")).split(",")[0]], ["", "999 points"]);
}

// Refused bytes: line and column as an editor counts them, and the mark.
async function refusals(page) {
  await page.open();
  for (const [text, line, column, before, ch] of [
    ["O.O\n.O x\n", 2, 3, ".O", " "], ["\r\n\r\nO\tO#", 3, 4, "O\tO", "#"],
    ["\xe9O!", 1, 3, "\ufffdO", "!"], ["O\rO\r~", 3, 1, "", "~"]]) {
    await page.load(bin(text));
    check(`refused ${JSON.stringify(text)}: where`, await page.text("goto"), `line ${line}, column ${column}`);
    check(`refused ${JSON.stringify(text)}: marked`, await page.js(`const l = document.getElementById('layer');
      return [l.textContent.slice(0, -1), l.querySelector('mark').textContent];`), [before, ch]);
    await page.click("goto");
    check(`refused ${JSON.stringify(text)}: selected`, await page.js(`const t = document.getElementById('text');
      return t.value.slice(t.selectionStart, t.selectionEnd);`), ch);
  }
  check("no hint for a space", await page.text("hint"), "");
  await page.load(bin("OOo\n"));
  check("lower-case o", [await page.text("message"), await page.text("hint")],
    ["Unexpected character 'o' (6Fh)\n", "A marked cell is the capital letter O, not a lower-case o."]);
  check("a zero that shows", await page.js("return getComputedStyle(document.getElementById('text')).fontVariantNumeric"),
    "slashed-zero");
}

// The picture's pixels and the [x,y] shown when pointing at cells, of a
// map whose skipped bytes and empty line take no column or row, and whose
// first two rows are wider than the last.
async function pointing(page) {
  await page.open();
  await page.load(bin("\tO.O\n\n.\xe9O.\r\nOO\n"), "picture.map");
  check("picture: source", await page.text("source"), "picture.map: 15 bytes, from a file, converted as they are.");
  const [marked, blank, panel, uneven] = await page.js(`const s = getComputedStyle(document.documentElement);
    return ['--marked', '--blank', '--panel', '--uneven'].map((v) => s.getPropertyValue(v).trim())
      .map((c) => [1, 3, 5].map((i) => parseInt(c.slice(i, i + 2), 16)));`);
  for (const [x, y, readout, colour] of [
    [0, 0, "[0,0] marked", marked], [1, 0, "[1,0] blank", blank], [2, 0, "[2,0] marked", marked],
    [0, 1, "[0,1] blank", blank], [1, 1, "[1,1] marked", marked], [2, 1, "[2,1] blank", blank],
    [0, 2, "[0,2] marked", marked], [1, 2, "[1,2] marked", marked], [2, 2, "", panel],
    [-1, 0, "", uneven], [-1, 2, "", panel]]) {
    const p = await page.point(x, y);
    await page.b.mouse([{ move: p }]);
    check(`picture: pointing at (${x},${y})`, await page.text("cell"), readout);
    check(`picture: pixel of (${x},${y})`, await page.js(`const c = document.getElementById('canvas'), r = c.getBoundingClientRect();
      return [...c.getContext('2d').getImageData(Math.floor((arguments[0] - r.left - c.clientLeft) * devicePixelRatio),
        Math.floor((arguments[1] - r.top - c.clientTop) * devicePixelRatio), 1, 1).data.slice(0, 3)];`, ...p), colour);
  }
}

// axe-core in the page's states: no serious or critical violation.
async function accessibility(page) {
  const axe = readFileSync(join(ROOT, "tests/web/node_modules/axe-core/axe.min.js"), "utf8");
  const states = [["empty", async () => {}], ["converted", () => page.loadPath(join(ROOT, "examples/room.map"))],
    ["drawing", () => page.drawing(true)], ["refused", () => page.load(bin("O.\n.0\n"))]];
  await page.open();
  for (const [state, reach] of states) {
    await reach();
    if (await page.js("return typeof axe") === "undefined") await page.js(axe);
    const found = await page.js(`const r = await axe.run(document, { resultTypes: ["violations"] });
      return r.violations.filter((v) => v.impact === "serious" || v.impact === "critical")
        .map((v) => v.id + ": " + v.nodes.map((n) => n.target.join(" ")).join(", "));`);
    check(`axe, ${state}`, found, []);
  }
}

// Nothing leaves the page: its policy refuses an image's address and a
// fetch, and the icon, a data URL, shows; then the browser's own log of
// requests, of all the test has done, holds no address but the page's and
// data and blob URLs.
async function sealed(page) {
  check("policy and icon", await page.js(`const refused = [];
    document.addEventListener("securitypolicyviolation", (e) => refused.push(e.effectiveDirective));
    const load = (src) => new Promise((done) => {
      const img = new Image();
      img.onload = () => done(img.naturalWidth);
      img.onerror = () => done(0);
      img.src = src;
    });
    const icon = await load(document.querySelector('link[rel="icon"]').href);
    const image = await load("https://gridpin.invalid/picture.png");
    const fetched = await fetch("https://gridpin.invalid/").then(() => "fetched", () => "refused");
    await new Promise((r) => setTimeout(r, 100));
    return [icon, image, fetched, refused.sort()];`), [32, 0, "refused", ["connect-src", "img-src"]]);
  const requests = await page.b.requests();
  if (!requests) return;
  const own = page.url.split("#")[0];
  check("requests logged", requests.length > 0, true);
  check("nothing fetched", requests.filter((u) => !u.startsWith(own) && !/^(data|blob):/.test(u)), []);
}

// Chromium alone, through the DevTools protocol: real downloads, touch,
// a phone's screen, a shared link, timings and a screenshot.
async function chromium(page, tool, out) {
  const downloads = join(page.scratch, "downloads");
  mkdirSync(downloads);
  await page.b.cdp("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  await page.open(page.url, { keep: false });
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.click("save");
  await page.js(`document.querySelector('input[name="ends"][value="lf"]').click()`);
  await page.click("download");
  const want = { "room.map": readFileSync(join(ROOT, "examples/room.map")), "room.lst": readFileSync(join(ROOT, "examples/room.lst")) };
  for (const [name, bytes] of Object.entries(want)) {
    const path = join(downloads, name);
    for (let i = 0; !existsSync(path) && i < 100; i++) await sleep(100);
    check(`downloaded ${name}`, existsSync(path) && sha256(readFileSync(path)), sha256(bytes));
  }

  // Fingers: a tap paints; a pinch zooms and paints nothing, even when
  // its first finger came down alone.
  await page.open();
  await page.load(bin("....\n....\n"));
  await page.drawing(true);
  const touch = (type, points) => page.b.cdp("Input.dispatchTouchEvent",
    { type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
  const [ax, ay] = await page.point(1, 0, 0.5, 0.5), [bx, by] = await page.point(2, 1, 0.5, 0.5);
  await page.afterRun(async () => { await touch("touchStart", [[ax, ay]]); await touch("touchEnd", []); });
  check("tap: painted", await page.mapText(), ".O..\n....\n");
  const scale = +(await page.js("return document.getElementById('canvas').dataset.cell"));
  await touch("touchStart", [[ax, ay]]);
  await touch("touchStart", [[ax, ay], [bx, by]]);
  for (let i = 1; i <= 5; i++) await touch("touchMove", [[ax - 10 * i, ay - 10 * i], [bx + 10 * i, by + 10 * i]]);
  await touch("touchEnd", []);
  await sleep(100);
  check("pinch: zoomed", +(await page.js("return document.getElementById('canvas').dataset.cell")) > scale * 1.2, true);
  check("pinch: nothing painted", await page.mapText(), ".O..\n....\n");
  await page.keys("Control+z");
  check("pinch: no step of its own", await page.mapText(), "....\n....\n");

  // A phone's width: nothing wider than the screen.
  await page.b.cdp("Emulation.setDeviceMetricsOverride", { width: 360, height: 740, deviceScaleFactor: 2, mobile: true });
  await page.open();
  await page.loadPath(join(ROOT, "examples/room.map"));
  check("360 pixels: no sideways scroll", await page.js(`return [document.documentElement.scrollWidth,
    ...[...document.querySelectorAll("button, input, canvas, textarea")].filter((e) => !e.hidden && !e.closest("dialog"))
      .filter((e) => e.getBoundingClientRect().right > 360).map((e) => e.id || e.outerHTML.slice(0, 40))]`), [360]);
  await page.b.cdp("Emulation.clearDeviceMetricsOverride", {});

  // A shared link brings the map back.
  await page.open();
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.click("share");
  for (let i = 0; !(await page.js("return document.getElementById('link').value")) && i < 100; i++) await sleep(100);
  await page.open(await page.js("return document.getElementById('link').value"));
  check("link: the map back", await page.js("return document.getElementById('text').value"),
    readFileSync(join(ROOT, "examples/room.map"), "utf8"));
  check("link: its listing", await page.text("listing"), readFileSync(join(ROOT, "examples/room.lst"), "utf8"));

  // A map too large for the text box, 100 cells painted: the history holds
  // what they changed, and undoing them gives the map back exactly.
  const large = Buffer.from((".".repeat(499) + "\n").repeat(400));
  await page.open();
  await page.load(large, "large.map");
  await page.cursor();
  for (let i = 0; i < 100; i++) await page.keys("Space", "ArrowRight");
  await page.click("save");
  check("100 cells: map changed", (await page.saved(true)).bytes !== `${large.length} ${sha256(large)}`, true);
  // The last 100 steps: the opened map's has gone, each cell's is 2 bytes.
  check("100 cells: history in bytes", +(await page.data("history")), 200);
  for (let i = 0; i < 100; i++) await page.keys("Control+z");
  await page.click("save");
  check("100 cells: undone exactly", (await page.saved(true)).bytes, `${large.length} ${sha256(large)}`);

  if (!out) return;
  mkdirSync(out, { recursive: true });
  writeFileSync(join(out, "timings.md"), await timings(page, tool));
  await page.open();
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.drawing(true);
  await page.clickCell(5, 5);
  await page.b.mouse([{ move: await page.point(5, 5) }]);
  await page.b.screenshot(join(out, "drawing.png"));
}

// Medians: the largest maps from their bytes to listing and picture, beside
// the native tool's whole run; one cell painted and undone, to the new
// listing and the picture drawn again; a picture of 1000 × 999 pixels, the
// largest 1000 wide that fits, to its picture drawn.
async function timings(page, tool, runs = 11) {
  const rows = [];
  const maps = { "one line of 1,000,000 `O`": Buffer.alloc(1_000_000, "O"),
    "1000 lines of 999 `O`": Buffer.from(("O".repeat(999) + "\n").repeat(1000)) };
  for (const [name, data] of Object.entries(maps)) {
    const path = page.file("large.map", data);
    const t = { native: [], listing: [], picture: [], paint: [], undo: [] };
    for (let i = 0; i < runs; i++) {
      await page.open();
      await page.loadPath(path);
      t.listing.push(+(await page.data("listingMs")));
      t.picture.push(+(await page.data("pictureMs")));
      const t0 = performance.now();
      execFileSync(tool, [path, `${path}.lst`]);
      t.native.push(performance.now() - t0);
    }
    await page.cursor();
    for (let i = 0; i < runs; i++) {
      if (!await page.keys("Space")) break;
      t.paint.push(+(await page.data("pictureMs")));
      if (!await page.keys("Control+z")) break;
      t.undo.push(+(await page.data("pictureMs")));
    }
    const [native, listing, picture, paint, undo] = Object.values(t).map(median);
    rows.push(`| ${name} | ${native.toFixed(1)} | ${listing.toFixed(1)} | ${(listing / native).toFixed(1)}x | ` +
      `${picture.toFixed(1)} | ${paint.toFixed(1)} | ${undo.toFixed(1)} |`);
  }
  const picturePath = page.file("large.png", png(1000, 999, (x, y) => (x * y) % 7 ? [255, 255, 255, 255] : [0, 0, 0, 255]));
  const opened = [];
  for (let i = 0; i < runs; i++) {
    await page.open();
    await page.loadPath(picturePath);
    opened.push(+(await page.data("pictureMs")));
  }
  const table = [`Medians of ${runs} runs, ${page.b.version}:`, "",
    "| map | native tool, whole run ms | page, bytes to listing ms | listing / native | page, bytes to picture ms " +
      "| one cell painted, to listing and picture ms | undone ms |",
    "|---|---:|---:|---:|---:|---:|---:|", ...rows, "",
    `A picture of 1000 × 999 pixels, from opening it to its picture drawn: ${median(opened).toFixed(1)} ms.`, ""].join("\n");
  console.log(table);
  return table;
}

async function main() {
  const { values: opts, positionals } = parseArgs({ allowPositionals: true, options: {
    engines: { type: "string", default: "chromium,firefox,webkit" }, "cases-only": { type: "boolean" },
    tool: { type: "string" }, out: { type: "string" } } });
  const url = pathToFileURL(resolve(positionals[0])).href;
  const tmp = mkdtempSync(join(tmpdir(), "gridpin-page-"));
  try {
    for (const engine of opts.engines.split(",")) {
      const scratch = join(tmp, engine), before = failures.length;
      mkdirSync(scratch);
      let browser = null;
      try {
        browser = await launch(engine, join(scratch, "profile"));
        const page = new Page(browser, url, scratch);
        await page.open();
        console.log(`${browser.version}: ${await cases(page)} rows of the case table`);
        if (!opts["cases-only"]) {
          await painting(page, resolve(opts.tool));
          await newMaps(page);
          await refusals(page);
          await pointing(page);
          await accessibility(page);
          if (engine === "chromium") await chromium(page, resolve(opts.tool), opts.out);
        }
        await sealed(page);
      } catch (e) {
        failures.push(`${engine}: ${e.message}`);
        console.log(`FAIL ${engine}: ${e.stack}`);
      } finally {
        await browser?.close();
      }
      console.log(`${engine}${browser ? `, ${browser.version}` : ""}: ${failures.length - before} failed`);
    }
  } finally {
    rmSync(tmp, { recursive: true, force: true });
  }
  console.log(`${failures.length} failed`);
  process.exitCode = failures.length ? 1 : 0;
}

await main();
