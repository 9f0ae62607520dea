// Tests the browser page, gridpin.html, opened from disk in Chromium,
// Firefox and WebKit (see browsers.mjs):
//
//   node check.mjs [--engines chromium,firefox,webkit] [--only TEXT | --timings]
//                  [--verbose] [--site DIR] --tool GRIDPIN [--out DIR] PAGE
//
// In every engine: each row of tests/cli/cases.tsv that converts a map,
// through the page's file input, the listing it saves against the row's,
// and its listing opened back as a map; each row of scenarios.tsv (whose
// name holds TEXT), the maps it saves held against what the native GRIDPIN
// writes for them; pictures as maps; axe-core; nothing fetched. In Chromium
// alone: real downloads, touch, a 360-pixel screen, the history of 100
// cells. Given DIR, the timings of bench/page.mjs go to DIR/timings.md
// and a screenshot to DIR/drawing.png; given the site's folder, it is
// served by nginx and tested too: in Chromium installed, offline, updated
// and shared, elsewhere the case table, in all nothing fetched but its own.
import { execFileSync, spawn } from "node:child_process";
import { createHash } from "node:crypto";
import { cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { deflateRawSync } from "node:zlib";
import { basename, join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { parseArgs } from "node:util";
import { freePort, launch } from "./browsers.mjs";
import { makePictures, png } from "./pictures.mjs";
import { timingTable, timings } from "../../bench/page.mjs";

const ROOT = resolve(import.meta.dirname ?? new URL(".", import.meta.url).pathname, "../..");
// The messages a map itself brings about; the others are about paths,
// pipes and disks, which a page does not have.
const MAP_MESSAGES = /^(Unexpected character .*|infile too large)\n$/s;
const failures = [];
const sha256 = (bytes) => createHash("sha256").update(bytes).digest("hex");
const bin = (text) => Buffer.from(text, "latin1");
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const form = (args, cwd) => execFileSync("bash", [join(ROOT, "tests/cli/forms.sh"), ...args], { cwd });

function check(name, got, want) {
  const g = JSON.stringify(got), w = JSON.stringify(want);
  if (g !== w) {
    failures.push(name);
    console.log(`FAIL ${name}: got ${g?.slice(0, 300)}, expected ${w?.slice(0, 300)}`);
  }
}

// The tables' texts: {N*TEXT} repeated, innermost first, then escapes;
// \xHH is a byte of a map and the character U+00HH of a text.
function expand(text) {
  const repeat = /\{(\d+)\*([^{}]*)\}/;
  while (repeat.test(text)) text = text.replace(repeat, (_, n, t) => t.repeat(+n));
  return text.replace(/\\(x[0-9a-fA-F]{2}|u[0-9a-fA-F]{4}|.)/g, (_, e) =>
    /^[xu]/.test(e) ? String.fromCharCode(parseInt(e.slice(1), 16)) : { n: "\n", r: "\r", t: "\t" }[e] ?? e);
}

// Where no storage is, or it is full, from before the page's own script.
const PRELOADS = {
  nostore: `Object.defineProperty(window, "indexedDB", { get() { throw new DOMException("no", "SecurityError"); } });`,
  full: `IDBObjectStore.prototype.put = () => { throw new DOMException("full", "QuotaExceededError"); };`,
};

// The page in one browser, with what its tests do to it.
class Page {
  constructor(browser, url, scratch, tool) {
    Object.assign(this, { b: browser, url, scratch, tool, files: 0, seen: 0 });
  }

  // keep: saved files are kept in the page, not downloaded.
  async open(url = this.url, keep = true) {
    await this.b.open(url);
    for (let i = 0; !(await this.js("return document.body.dataset.ready")); i++) {
      if (i === 300) throw new Error(`${this.b.engine}: the page did not start`);
      await sleep(100);
    }
    if (keep) await this.js(`window.saved = [];
      const blobs = new Map(), create = URL.createObjectURL;
      URL.createObjectURL = (blob) => { const url = create.call(URL, blob); blobs.set(url, blob); return url; };
      HTMLAnchorElement.prototype.click = function () { saved.push({ name: this.download, blob: blobs.get(this.href) }); };`);
    this.seen = +(await this.data("conversions"));
  }

  // The page with nothing kept from before (a page with no storage aside).
  async fresh(keep = true) {
    if (this.opened) {
      await this.js(`await new Promise((done) => {
        try { Object.assign(indexedDB.deleteDatabase("gridpin"), { onsuccess: done, onerror: done, onblocked: done }); }
        catch { done(); }
      });`);
    }
    this.opened = true;
    await this.open(this.url, keep);
  }

  js(body, ...args) { return this.b.js(body, ...args); }
  async kept() {
    for (let i = 0; i < 100 && /due|writing/.test(await this.data("keep")); i++) await sleep(50);
  }
  text(id) { return this.js("return document.getElementById(arguments[0]).textContent", id); }
  data(name) { return this.js("return document.body.dataset[arguments[0]]", name); }
  click(id) { return this.js("document.getElementById(arguments[0]).click()", id); }
  frames() { return this.js("await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)))"); }

  // Does act, then waits for the update it brings about, which is not
  // always at once (a file is read first).
  async update(act) {
    const run = await this.data("run");
    await act();
    for (let i = 0; i < 100 && (await this.data("run")) === run; i++) await sleep(50);
  }

  // A file of these bytes, in a folder of its own.
  file(name, bytes) {
    const path = join(this.scratch, `${this.files++}`, name);
    mkdirSync(join(path, ".."), { recursive: true });
    writeFileSync(path, bytes);
    return path;
  }
  load(bytes, name = "test.map") { return this.loadPath(this.file(name, bytes)); }
  async loadPath(path) {
    await this.update(() => this.b.upload("#file", path));
    this.seen = +(await this.data("conversions"));
  }

  // The last file the page saved: its name and bytes.
  async saved() {
    const [name, data] = await this.js(`const s = saved.pop(), bytes = new Uint8Array(await s.blob.arrayBuffer());
      let text = "";
      for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
      return [s.name, btoa(text)];`);
    return { name, bytes: Buffer.from(data, "base64") };
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
  point(x, y, fx = 0.75, fy = 0.75) {
    return this.js(`const c = document.getElementById("canvas"), d = c.dataset, r = c.getBoundingClientRect();
      return [r.left + c.clientLeft + +d.x0 + (arguments[0] + arguments[2]) * d.cell,
              r.top + c.clientTop + +d.y0 + (arguments[1] + arguments[3]) * d.cell];`, x, y, fx, fy);
  }
  // WebKit's driver drops Shift from a press and the right button's
  // release: there such a drag is made of events the page is sent.
  async mouse(cells, button = 0, shift = false) {
    if (this.b.engine === "webkit" && (button || shift)) return this.strokes([cells], false, false, { button, shiftKey: shift });
    await this.js("document.getElementById('canvas').scrollIntoView({ block: 'nearest' })");
    const points = [];
    for (const [x, y] of cells) points.push(await this.point(x, y));
    await this.b.mouse([{ move: points[0] }, { down: button }, ...points.slice(1).map((p) => ({ move: p })), { up: button }],
      shift ? "Shift" : null);
    await this.frames();
  }
  async keys(...combos) {
    await this.js("document.getElementById('canvas').focus()");
    await this.b.keys(...combos);
    await this.frames();
  }
  async drawing(on) {
    if ((await this.js("return document.getElementById('draw').getAttribute('aria-pressed')")) !== String(on)) {
      await this.click("draw");
    }
  }
  // New map's or Resize's dialog, filled in and made.
  async dialog(name, w, h, anchor) {
    await this.click(name);
    await this.update(() => this.js(`const [name, w, h, anchor] = arguments, $ = (id) => document.getElementById(name + id);
      Object.assign($("-width"), { value: w }).dispatchEvent(new Event("input"));
      $("-height").value = h;
      if (anchor) document.querySelector('input[name="anchor"][value="' + anchor + '"]').click();
      $("-make").click();`, name, w, h, anchor));
  }

  // Strokes sent to the picture as pointer events ("esc": an Escape key),
  // all at once or one a frame. Timed: how long the page took over its
  // press, over each run of ten moves and over its release.
  async strokes(strokes, slow, timed = false, { button = 0, shiftKey = false } = {}) {
    const points = [];
    for (const cells of strokes) {
      const line = [];
      for (const c of cells) line.push(c === "esc" ? c : await this.point(...c));
      points.push(line);
    }
    const took = await this.js(`const [strokes, slow, timed, button, shiftKey] = arguments, c = document.getElementById("canvas");
      const frame = () => new Promise((r) => requestAnimationFrame(r)), took = { events: [] };
      const send = (type, [clientX, clientY]) => {
        const t0 = performance.now();
        c.dispatchEvent(new PointerEvent(type, { pointerId: 7, pointerType: "mouse", isPrimary: true, bubbles: true,
          button: type === "pointermove" ? -1 : button, buttons: type === "pointerup" ? 0 : [1, 4, 2][button],
          clientX, clientY, shiftKey }));
        return performance.now() - t0;
      };
      for (const stroke of strokes) {
        took.down = send("pointerdown", stroke[0]);
        let t0 = performance.now();
        for (const [i, p] of stroke.slice(1).entries()) {
          if (slow) await frame();
          if (p === "esc") c.dispatchEvent(new KeyboardEvent("keydown", { key: "Escape", bubbles: true }));
          else send("pointermove", p);
          if (timed && i % 10 === 9) {
            took.events.push((performance.now() - t0) / 10);
            t0 = performance.now();
          }
        }
        if (slow) await frame();
        took.end = send("pointerup", stroke.at(-1));
      }
      return took;`, points, slow, timed, button, shiftKey);
    await this.frames();
    return took;
  }
}

const cell = (text) => text === "esc" ? text : text.split(",").map(Number);

// The picture's clipboard events, as the browser's keys and menus raise
// them: a copy or cut gives want; a paste brings text. Their data is set
// on the event itself: not every engine takes it from the init of an
// event a script makes.
async function clip(page, type, text) {
  const got = await page.js(`const [type, text] = arguments, data = new DataTransfer(), c = document.getElementById("canvas");
    if (type === "paste") data.setData("text/plain", text);
    const e = new ClipboardEvent(type, { bubbles: true, cancelable: true });
    Object.defineProperty(e, "clipboardData", { value: data });
    c.focus();
    c.dispatchEvent(e);
    return data.getData("text/plain");`, type, expand(text));
  if (type !== "paste") check(`${page.row}: ${type}`, got, expand(text));
  await page.frames();
}

// The text box focused, its caret at character at.
const caret = (page, at) => page.js("const t = document.getElementById('text'); t.focus(); t.setSelectionRange(arguments[0], arguments[0]);", +at);

// What each action of scenarios.tsv does, given its words after the first,
// the text after the first word and the pace, "fast" or "slow".
const ACTIONS = {
  draw: (page) => page.drawing(true),
  click: (page, [at]) => page.mouse([cell(at)]),
  rclick: (page, [at]) => page.mouse([cell(at)], 2),
  "shift-click": (page, [at]) => page.mouse([cell(at)], 0, true),
  drag: (page, cells) => page.mouse(cells.map(cell)),
  rdrag: (page, cells) => page.mouse(cells.map(cell), 2),
  "shift-drag": (page, cells) => page.mouse(cells.map(cell), 0, true),
  stroke: (page, words, rest, pace) => page.strokes(rest.split("/").map((s) => s.trim().split(/\s+/).map(cell)), pace === "slow"),
  keys: (page, combos) => page.keys(...combos),
  button: (page, [id]) => page.click(id),
  dialog: (page, [name, w, h, anchor]) => page.dialog(name, w, h, anchor),
  copy: (page, words, rest) => clip(page, "copy", rest),
  cut: (page, words, rest) => clip(page, "cut", rest),
  paste: (page, words, rest) => clip(page, "paste", rest),
  async type(page, [at, ...text]) {
    await caret(page, at);
    await page.update(() => page.b.type(expand(text.join(" "))));
  },
  async insert(page, [at], rest) {
    await caret(page, at);
    await page.js(`document.execCommand("insertText", false, arguments[0]);`, expand(rest.slice(at.length).trim()));
    await page.frames();
  },
  load: (page, words, rest) => page.load(bin(expand(rest))),
  // The map is kept a moment after a step: until then, a reload would
  // find the one before.
  wait: (page) => page.kept(),
  async reload(page) {
    await page.kept();
    await page.open();
  },
  async share(page) {
    await page.click("share");
    for (let i = 0; !(await page.js("return document.getElementById('link').value")) && i < 100; i++) await sleep(50);
  },
  // The link the page made, or one made here for the text given.
  async golink(page, words, rest) {
    const link = rest ? await page.js("return location.href.split('#')[0]") + "#map=" +
      deflateRawSync(bin(expand(rest))).toString("base64url") : await page.js("return document.getElementById('link').value");
    await page.kept();
    await page.b.open("about:blank");
    await page.open(link);
  },
  async preload(page, [name]) {
    page.unload = await page.b.preload(PRELOADS[name]);
    await page.open();
  },
  // What is looked at; a text is waited for a while, as the page keeps the
  // map a moment after a step.
  async text(page, [id], rest) {
    const want = expand(rest.slice(id.length).trim());
    const is = (got) => (want.startsWith("~") && got.includes(want.slice(1))) || got === want;
    let got = await page.text(id);
    for (let i = 0; i < 30 && !is(got); i++, got = await page.text(id)) await sleep(100);
    check(`${page.row}: text of #${id}`, is(got) ? want : got, want);
  },
  map: async (page, words, rest) => check(`${page.row}: map`, await page.mapText(), expand(rest)),
  saved: async (page, words, rest) => check(`${page.row}: saved`, (await page.saved()).bytes.toString("latin1"), expand(rest)),
  held: async (page, [n]) => check(`${page.row}: history held`, +(await page.data("history")), +n),
  enabled: async (page, [id, yes]) => check(`${page.row}: #${id} enabled`,
    await page.js("return !document.getElementById(arguments[0]).disabled", id), yes === "yes"),
  picked: async (page, words, rest) => check(`${page.row}: picked in the text`, await page.js(`const t = document.getElementById('text');
    return t.value.slice(t.selectionStart, t.selectionEnd);`), expand(rest)),
  pressed: async (page, [tool]) => check(`${page.row}: tool in hand`, await page.js(`return [...document.querySelectorAll("[data-tool]")]
    .filter((b) => b.getAttribute("aria-pressed") === "true").map((b) => b.dataset.tool)`), [tool]),
  async converted(page, [n]) {
    const now = +(await page.data("conversions"));
    check(`${page.row}: conversions`, now - page.seen, +n);
    page.seen = now;
  },
  leave: async (page, [yes]) => check(`${page.row}: leaving asks`, await page.js(`const e = new Event("beforeunload", { cancelable: true });
    dispatchEvent(e);
    return e.defaultPrevented;`), yes === "yes"),
  prompted: async (page, [yes]) => check(`${page.row}: leaving asked`, page.b.dialogs().includes("beforeunload"), yes === "yes"),
  menu: async (page) => check(`${page.row}: no menu`, await page.js(`const e = new MouseEvent("contextmenu", { bubbles: true, cancelable: true });
    document.getElementById("canvas").dispatchEvent(e);
    return e.defaultPrevented;`), true),
  // The pixel under a cell, a colour of the page's style, and its readout.
  async look(page, [at, colour], rest) {
    const p = await page.point(...cell(at));
    await page.b.mouse([{ move: p }]);
    check(`${page.row}: pixel and readout of ${at}`, await page.js(`const [x, y, colour] = arguments, c = document.getElementById("canvas");
      const r = c.getBoundingClientRect(), css = getComputedStyle(document.documentElement).getPropertyValue("--" + colour).trim();
      const px = c.getContext("2d").getImageData(Math.floor((x - r.left - c.clientLeft) * devicePixelRatio),
        Math.floor((y - r.top - c.clientTop) * devicePixelRatio), 1, 1).data;
      return [[1, 3, 5].every((i, k) => parseInt(css.slice(i, i + 2), 16) === px[k]) && colour,
        document.getElementById("cell").textContent];`, ...p, colour), [colour, rest.split(/\s+/).slice(2).join(" ")]);
  },
};

async function scenarios(page, only = "") {
  const rows = readFileSync(join(ROOT, "tests/web/scenarios.tsv"), "utf8").split("\n")
    .filter((line) => line.trim() && !line.startsWith("#")).map((line) => line.split(" | ").map((f) => f.trim()));
  for (const [name, map, actions, want] of rows.filter(([name]) => name.includes(only))) {
    if (/\bpreload\b/.test(actions) && !page.b.preload) continue;
    for (const pace of /\bstroke\b/.test(actions) ? ["fast", "slow"] : [""]) {
      page.row = `${name}${pace && `, ${pace}`}`;
      if (page.verbose) console.log(page.row);
      try {
        await scenario(page, map, actions, want, pace);
      } catch (e) {
        check(`${page.row}: ${e.message}`, false, true);
      } finally {
        if (page.unload) await page.b.page.removeScriptToEvaluateOnNewDocument(page.unload.identifier);
        page.unload = null;
      }
    }
  }
}

async function scenario(page, map, actions, want, pace) {
  await page.fresh();
  if (map !== "-") await page.load(bin(expand(map)));
  for (const action of actions.split(";").map((a) => a.trim())) {
    const [verb, ...words] = action.split(/\s+/);
    await ACTIONS[verb](page, words, action.slice(verb.length).trim(), pace);
  }
  if (want === "-") return;
  const saved = await page.saveMap(), bytes = bin(expand(want));
  check(`${page.row}: saved map`, [saved.name, saved.bytes.toString("latin1")],
    [/dialog new/.test(actions) ? "map.map" : "test.map", bytes.toString("latin1")]);
  const path = page.file("test.map", saved.bytes);
  execFileSync(page.tool, [path, `${path}.lst`]);
  check(`${page.row}: listing as the tool's`, sha256((await page.download("lf")).bytes), sha256(readFileSync(`${path}.lst`)));

  // Back step by step by keys to the empty page (through the opened file,
  // where the page was not opened again), then forth by both keys and, at
  // last, the button.
  const states = [saved.bytes.toString("latin1")];
  while (!(await page.js("return document.getElementById('undo').disabled")) && states.length < 20) {
    await page.keys("Control+z");
    states.push(await page.mapText());
  }
  check(`${page.row}: undone to the start`, states.at(-1), "");
  if (map !== "-" && !/reload|golink/.test(actions)) check(`${page.row}: undone to the file`, states.at(-2), expand(map));
  for (let i = 1; i < states.length; i++) {
    if (i === states.length - 1) await page.click("redo");
    else await page.keys(i % 2 ? "Control+y" : "Control+Shift+z");
  }
  await page.frames();
  check(`${page.row}: redone`, await page.mapText(), bytes.toString("latin1"));
}

// Every row of the case table that converts a map, through the page; and
// its listing, with either line end, opened as a map: the same listing.
async function cases(page) {
  let n = 0;
  await page.fresh();
  for (const [i, line] of readFileSync(join(ROOT, "tests/cli/cases.tsv"), "utf8").split("\n").entries()) {
    if (!line.trim() || line.trimStart().startsWith("#")) continue;
    const [name, on, args, files, status, stderr, out] = line.split("|").map((f) => f.trim());
    const folder = join(page.scratch, `case${i}`);
    mkdirSync(folder, { recursive: true });
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
    check(`${name}: listing`, [sha256(lf.bytes), lf.name], [want, basename(words[0]).replace(/(.)\.[^.]*$/, "$1") + ".lst"]);
    check(`${name}: CR LF`, crlf.bytes.toString("latin1"), lf.bytes.toString("latin1").replace(/\n/g, "\r\n"));
    for (const [ends, listing] of [["LF", lf], ["CR LF", crlf]]) {
      await page.load(listing.bytes, "back.lst");
      check(`${name}: its ${ends} listing opened as a map`, sha256((await page.download("lf")).bytes), want);
    }
  }
  return n;
}

// Each PNG of pictures.mjs, made by netpbm, gives its map exactly; one a
// pixel too wide for a map is refused; the largest 1000 wide fits.
async function pictures(page) {
  await page.fresh();
  let last;
  for (const { name, path, want } of await makePictures(join(page.scratch, "0"))) {
    await page.loadPath(path);
    last = await page.saveMap();
    check(`picture ${name}`, [last.name, last.bytes.toString("latin1")], [`${name}.map`, want]);
  }
  await page.b.upload("#file", png(page.file("wide.png", ""), 1001, 999, () => [255, 255, 255, 255]));
  for (let i = 0; !(await page.text("opened")) && i < 100; i++) await sleep(100);
  check("picture too large: said", /1001 × 999 pixels.*1,000,998 bytes.*1,000,000/.test(await page.text("opened")), true);
  check("picture too large: map kept", (await page.saveMap()).name, last.name);
  await page.loadPath(png(page.file("largest.png", ""), 1000, 999, (x, y) => x === y ? [0, 0, 0, 255] : [255, 255, 255, 255]));
  check("largest picture", [await page.text("message"), (await page.text("points")).split(",")[0]], ["", "999 points"]);
}

// axe-core in the page's states: no serious or critical violation; and a
// zero that shows in all map text.
async function accessibility(page) {
  const axe = readFileSync(join(ROOT, "tests/web/node_modules/axe-core/axe.min.js"), "utf8");
  await page.fresh();
  check("a zero that shows", await page.js("return getComputedStyle(document.getElementById('text')).fontVariantNumeric"),
    "slashed-zero");
  for (const [state, reach] of [["empty", () => {}], ["converted", () => page.loadPath(join(ROOT, "examples/room.map"))],
    ["drawing", () => page.drawing(true)], ["selecting", () => page.keys("Control+a")], ["resizing", () => page.click("resize")],
    ["refused", () => page.js("document.getElementById('resize-dialog').close()").then(() => page.load(bin("O.\n.0\n")))]]) {
    await reach();
    if (await page.js("return typeof axe") === "undefined") await page.js(axe);
    check(`axe, ${state}`, await page.js(`const r = await axe.run(document, { resultTypes: ["violations"] });
      return r.violations.filter((v) => v.impact === "serious" || v.impact === "critical")
        .map((v) => v.id + ": " + v.nodes.map((n) => n.target.join(" ")).join(", "));`), []);
  }
}

// Nothing leaves the page: its policy refuses an outside image and a
// fetch, and the icon, a data URL, shows; from disk it has no worker; the
// browser's own log of requests, of all the test has done, holds no
// address but the page's own folder's and data, blob and about URLs.
async function sealed(page) {
  await page.fresh();
  check("policy and icon", await page.js(`const refused = [];
    document.addEventListener("securitypolicyviolation", (e) => refused.push(e.effectiveDirective));
    const load = (src) => new Promise((done) => Object.assign(new Image(), {
      onload() { done(this.naturalWidth); }, onerror: () => done(0), src }));
    const icon = await load(document.querySelector('link[rel="icon"]').href);
    const image = await load("https://gridpin.invalid/picture.png");
    const fetched = await fetch("https://gridpin.invalid/").then(() => "fetched", () => "refused");
    await new Promise((r) => setTimeout(r, 100));
    return [icon, image, fetched, [...new Set(refused)].sort()];`), [32, 0, "refused", ["connect-src", "img-src"]]);
  if (page.url.startsWith("file:")) {
    check("from disk: no worker", await page.js(`try { return (await navigator.serviceWorker?.getRegistrations())?.length ?? 0; }
      catch { return 0; }`), 0);
  }
  const requests = page.b.requests(), own = page.url.replace(/[^/]*$/, "");
  if (!requests) return;
  check("requests logged", requests.length > 0, true);
  check("nothing fetched", requests.filter((u) => !u.startsWith(own) && !/^(data|blob|about):/.test(u)), []);
}

// Chromium alone, through the DevTools protocol: real downloads, touch, a
// phone's screen, the history of 100 cells.
async function chromium(page) {
  const downloads = join(page.scratch, "downloads");
  await page.b.cdp("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  await page.fresh(false);
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.click("save");
  await page.js(`document.querySelector('input[name="ends"][value="lf"]').click()`);
  await page.click("download");
  for (const name of ["room.map", "room.lst"]) {
    for (let i = 0; !existsSync(join(downloads, name)) && i < 100; i++) await sleep(100);
    check(`downloaded ${name}`, existsSync(join(downloads, name)) && sha256(readFileSync(join(downloads, name))),
      sha256(readFileSync(join(ROOT, "examples", name))));
  }

  // Fingers: a tap paints; a pinch zooms and paints nothing, even when its
  // first finger came down alone; a second finger drops a line.
  await page.fresh();
  await page.load(bin("....\n....\n"));
  await page.drawing(true);
  const touch = (type, points) => page.b.cdp("Input.dispatchTouchEvent", { type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
  const [a, b] = [await page.point(1, 0, 0.5, 0.5), await page.point(2, 1, 0.5, 0.5)];
  await page.update(async () => { await touch("touchStart", [a]); await touch("touchEnd", []); });
  check("tap: painted", await page.mapText(), ".O..\n....\n");
  const scale = +(await page.js("return document.getElementById('canvas').dataset.cell"));
  await touch("touchStart", [a]);
  await touch("touchStart", [a, b]);
  for (let i = 1; i <= 5; i++) await touch("touchMove", [[a[0] - 10 * i, a[1] - 10 * i], [b[0] + 10 * i, b[1] + 10 * i]]);
  await touch("touchEnd", []);
  await page.frames();
  check("pinch: zoomed, nothing painted", [+(await page.js("return document.getElementById('canvas').dataset.cell")) > scale * 1.2,
    await page.mapText()], [true, ".O..\n....\n"]);
  await page.keys("Control+z");
  await page.keys("l");
  for (const [type, points] of [["touchStart", [a]], ["touchMove", [b]], ["touchStart", [b, a]], ["touchEnd", []]]) await touch(type, points);
  await page.frames();
  check("pinch and a line: no step of their own", await page.mapText(), "....\n....\n");

  // A phone's width: nothing wider than the screen, the picture and its
  // tools before the map text.
  await page.b.page.setViewport({ width: 360, height: 740, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.fresh();
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.drawing(true);
  check("360 pixels", await page.js(`const top = (id) => document.getElementById(id).getBoundingClientRect().top;
    return [document.documentElement.scrollWidth, top("tools") < top("canvas") && top("canvas") < top("text"),
      ...[...document.querySelectorAll("button, input, canvas, textarea")].filter((e) => e.offsetParent && !e.closest("dialog"))
        .filter((e) => e.getBoundingClientRect().right > 360).map((e) => e.id || e.outerHTML.slice(0, 40))];`), [360, true]);
  await page.b.page.setViewport({ width: 1280, height: 900 });

  // A map too large for the text box, 100 cells painted: the history holds
  // what they changed, 4 bytes a cell, and undoing them gives it back.
  const large = Buffer.from((".".repeat(499) + "\n").repeat(400));
  await page.fresh();
  await page.load(large, "large.map");
  await page.drawing(true);
  await page.keys("ArrowRight");
  for (let i = 0; i < 100; i++) await page.keys("Space", "ArrowRight");
  check("100 cells: painted, held in 400 bytes", [sha256((await page.saveMap()).bytes) !== sha256(large), +(await page.data("history"))],
    [true, 400]);
  for (let i = 0; i < 100; i++) await page.b.keys("Control+z");
  await page.frames();
  check("100 cells: undone exactly", sha256((await page.saveMap()).bytes), sha256(large));
}

// The site served by Debian's nginx, as a process of the test's own on
// 127.0.0.1, with the server block of the site's README, its root the
// folder given; stop() and start() take it down and up on the same port.
async function serve(root, prefix) {
  const block = readFileSync(join(root, "README"), "utf8").match(/^ {4}server \{$[^]*?^ {4}\}$/m)[0], port = await freePort();
  mkdirSync(prefix, { recursive: true });
  writeFileSync(join(prefix, "nginx.conf"), [process.getuid?.() === 0 ? "user root;" : "", `pid ${prefix}/nginx.pid;`,
    `error_log ${prefix}/error.log;`, "events {}", "http {", "access_log off;",
    block.replace("listen 80;", `listen 127.0.0.1:${port};`).replace("root /srv/gridpin;", `root ${root};`), "}"].join("\n"));
  let nginx = null;
  const site = {
    url: `http://127.0.0.1:${port}/`,
    async start() {
      nginx = spawn("/usr/sbin/nginx", ["-p", prefix, "-c", join(prefix, "nginx.conf"), "-g", "daemon off;"], { stdio: "inherit" });
      for (let i = 0; !(await fetch(site.url).then(() => true, () => false)); i++) {
        if (i === 50) throw new Error("nginx did not start");
        await sleep(100);
      }
    },
    stop: () => new Promise((done) => nginx.exitCode !== null || nginx.signalCode ? done() : nginx.on("exit", done).kill()),
  };
  await site.start();
  return site;
}

// The site in Chromium: installable; its worker keeps it, so that with the
// server down it opens, converts and downloads a listing as the tool
// writes it; a new release's files replace the old ones; a link made on
// it opens its map in another profile.
async function hosted(page, site, root) {
  await page.fresh();
  await page.js("await navigator.serviceWorker.ready");
  const manifest = await page.b.cdp("Page.getAppManifest", {});
  check("hosted: the manifest, installable", [manifest.url, manifest.errors,
    (await page.b.cdp("Page.getInstallabilityErrors", {})).installabilityErrors], [`${site.url}manifest.webmanifest`, [], []]);
  await page.open();
  check("hosted: its worker in control", await page.js("return !!navigator.serviceWorker.controller"), true);
  await site.stop();
  await page.open();
  await page.loadPath(join(ROOT, "examples/room.map"));
  check("hosted, offline: the listing", sha256((await page.download("lf")).bytes), sha256(readFileSync(join(ROOT, "examples/room.lst"))));
  await site.start();

  // Another release on the host, which a visit checks for: its files come.
  const next = (file, from, to) => writeFileSync(join(root, file), readFileSync(join(root, file), "utf8").replace(from, to));
  next("sw.js", /gridpin-[^"]*/, "$&-next");
  next("index.html", /gridpin ([^,]*), free software/, "gridpin $1-next, free software");
  let footer = "";
  for (let i = 0; i < 10 && !footer.includes("-next"); i++) {
    await page.js(`const w = navigator.serviceWorker, changed = new Promise((r) => w.addEventListener("controllerchange", r));
      await (await w.ready).update();
      await Promise.race([changed, new Promise((r) => setTimeout(r, 2000))]);`);
    await page.open();
    footer = await page.js("return document.querySelector('footer').textContent");
  }
  check("hosted: a new release replaces the old", [footer.includes("-next"), (await page.js("return caches.keys()")).length], [true, 1]);

  await page.loadPath(join(ROOT, "examples/room.map"));
  await ACTIONS.share(page);
  check("hosted: a link for anyone", (await page.text("shared")).includes("this computer"), false);
  const other = await launch("chromium", join(page.scratch, "second profile"));
  try {
    const second = new Page(other, await page.js("return document.getElementById('link').value"), page.scratch, page.tool);
    await second.open();
    check("hosted: a link opened in another profile", await second.mapText(), readFileSync(join(ROOT, "examples/room.map"), "latin1"));
  } finally {
    await other.close();
  }
}

async function main() {
  const { values: opts, positionals } = parseArgs({ allowPositionals: true, options: Object.fromEntries(
    ["engines", "only", "tool", "out", "site", "timings", "verbose"]
      .map((o, i) => [o, { type: i < 5 ? "string" : "boolean" }])) });
  const url = pathToFileURL(resolve(positionals[0])).href, tmp = mkdtempSync(join(tmpdir(), "gridpin-page-")), timed = [];
  const all = !opts.only && !opts.timings;
  try {
    for (const engine of (opts.engines ?? "chromium,firefox,webkit").split(",")) {
      const scratch = join(tmp, engine), before = failures.length;
      mkdirSync(scratch);
      let browser = null;
      try {
        browser = await launch(engine, join(scratch, "profile"));
        const page = Object.assign(new Page(browser, url, scratch, resolve(opts.tool)), { verbose: opts.verbose });
        if (all) console.log(`${browser.version}: ${await cases(page)} rows of the case table`);
        if (!opts.timings) await scenarios(page, opts.only);
        if (all) {
          await pictures(page);
          await accessibility(page);
          if (engine === "chromium") await chromium(page);
        }
        if (opts.timings || (all && opts.out)) timed.push(await timings(page));
        await sealed(page);
        if (opts.site && !opts.timings) {
          // A copy, for the test puts a new release in it.
          const root = join(scratch, "site");
          cpSync(resolve(opts.site), root, { recursive: true });
          const site = await serve(root, join(scratch, "nginx"));
          page.url = site.url;
          try {
            if (engine === "chromium") await hosted(page, site, root);
            else {
              console.log(`${browser.version}, hosted: ${await cases(page)} rows of the case table, ${await page.js(`
                await Promise.race([navigator.serviceWorker.ready, new Promise((r) => setTimeout(r, 5000))]);
                return navigator.serviceWorker.controller ? "its worker in control" : "no worker in control";`)}`);
            }
            await sealed(page);
          } finally {
            await site.stop();
            page.url = url;
          }
        }
        if (engine === "chromium" && all && opts.out) {
          await page.fresh();
          await page.loadPath(join(ROOT, "examples/room.map"));
          await page.drawing(true);
          await page.mouse([[5, 5]]);
          await page.keys("s");
          await page.mouse([[2, 1], [7, 3]]);
          await page.b.mouse([{ move: await page.point(5, 5) }]);
          mkdirSync(opts.out, { recursive: true });
          await page.b.screenshot(join(opts.out, "drawing.png"));
        }
      } catch (e) {
        failures.push(`${engine}: ${e.message}`);
        console.log(`FAIL ${engine}: ${e.stack}`);
      } finally {
        await browser?.close();
      }
      console.log(`${engine}${browser ? `, ${browser.version}` : ""}: ${failures.length - before} failed`);
    }
    if (timed.length) {
      console.log(timingTable(timed));
      if (opts.out) {
        mkdirSync(opts.out, { recursive: true });
        writeFileSync(join(opts.out, "timings.md"), timingTable(timed));
      }
    }
  } finally {
    rmSync(tmp, { recursive: true, force: true });
  }
  console.log(`${failures.length} failed`);
  process.exitCode = failures.length ? 1 : 0;
}

await main();
