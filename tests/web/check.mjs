// Tests the browser page, gridpin.html, opened from disk in Chromium,
// Firefox and WebKit (see browsers.mjs):
//
//   node check.mjs [--engines chromium,firefox,webkit] [--cases-only]
//                  [--only TEXT | --timings] [--verbose] [--site DIR]
//                  --tool GRIDPIN [--out DIR] PAGE
//
// In every engine: each row of tests/cli/cases.tsv that converts a map,
// through the page's own file input, the listing it saves compared to the
// row's; each row of scenarios.tsv (those whose name holds TEXT), the maps
// it saves held against what the native GRIDPIN writes for them; pictures
// as maps; refused bytes; the picture's pixels; axe-core; nothing fetched;
// the timings, to DIR/timings.md (--timings: those alone). --verbose
// names each scenario as it runs. In Chromium alone: real downloads, touch,
// a 360-pixel screen, the history of 100 cells, and a screenshot of
// drawing, with a selection (DIR/drawing.png). Given the site's folder, it is served by
// nginx and tested too: in Chromium, installed, offline, updated and
// shared; in Firefox and WebKit, the case table; in all, nothing fetched
// but its own files.
import { execFileSync, spawn } from "node:child_process";
import { createHash } from "node:crypto";
import { cpSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from "node:fs";
import { connect, createServer } from "node:net";
import { tmpdir } from "node:os";
import { basename, join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { parseArgs } from "node:util";
import { launch } from "./browsers.mjs";
import { makePictures, png } from "./pictures.mjs";

const ROOT = resolve(import.meta.dirname ?? new URL(".", import.meta.url).pathname, "../..");
const FORMS = join(ROOT, "tests/cli/forms.sh");
// The messages a map itself brings about; the others are about paths,
// pipes and disks, which a page does not have.
const MAP_MESSAGES = /^(Unexpected character .*|infile too large)\n$/s;
const failures = [];
const sha256 = (bytes) => createHash("sha256").update(bytes).digest("hex");
const bin = (text) => Buffer.from(text, "latin1");
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const median = (v) => [...v].sort((a, b) => a - b)[v.length >> 1];
const form = (args, cwd) => execFileSync("bash", [FORMS, ...args], { cwd });

function check(name, got, want) {
  const g = JSON.stringify(got), w = JSON.stringify(want);
  if (g !== w) {
    failures.push(name);
    console.log(`FAIL ${name}: got ${g.slice(0, 300)}, expected ${w.slice(0, 300)}`);
  }
}

// The tables' texts: {N*TEXT} repeated, innermost first, then escapes;
// \xHH is a byte of a map and the character U+00HH of a text.
function expand(text) {
  const repeat = /\{(\d+)\*([^{}]*)\}/;
  while (repeat.test(text)) text = text.replace(repeat, (_, n, t) => t.repeat(+n));
  return text.replace(/\\(x[0-9a-fA-F]{2}|.)/g, (_, e) =>
    e[0] === "x" ? String.fromCharCode(parseInt(e.slice(1), 16)) : { n: "\n", r: "\r", t: "\t" }[e] ?? e);
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

  async open(url = this.url, keep = true) {
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
    this.seen = +(await this.data("conversions"));
  }

  // The page with nothing kept from before.
  async fresh(keep = true) {
    if (this.opened) {
      await this.js(`await new Promise((done) => {
        try {
          const q = indexedDB.deleteDatabase("gridpin");
          q.onsuccess = q.onerror = q.onblocked = done;
        } catch {
          done();  // a page shown with no storage
        }
      });`);
    }
    this.opened = true;
    await this.open(this.url, keep);
  }

  js(body, ...args) { return this.b.js(body, ...args); }
  text(id) { return this.js("return document.getElementById(arguments[0]).textContent", id); }
  data(name) { return this.js("return document.body.dataset[arguments[0]]", name); }
  click(id) { return this.js("document.getElementById(arguments[0]).click()", id); }
  frames() { return this.js("await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)))"); }

  // Does act, then waits for the update it brings about, which is not
  // always at once (a file is read first). True if it came.
  async update(act) {
    const run = await this.data("run");
    await act();
    for (let i = 0; i < 100; i++) {
      if ((await this.data("run")) !== run) return true;
      await sleep(50);
    }
    return false;
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
    const came = await this.update(() => this.b.upload("#file", path));
    this.seen = +(await this.data("conversions"));
    return came;
  }

  // The last file the page saved: its name and bytes.
  async saved() {
    const [name, data] = await this.js(`const s = saved.pop();
      const bytes = new Uint8Array(await s.blob.arrayBuffer());
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
  async point(x, y, fx = 0.75, fy = 0.75) {
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

  // Strokes sent to the picture as pointer events: all at once, or one a
  // frame. Timed: how long the page took over each event of a drag, in
  // runs of ten (some engines tell time only to the millisecond), and over
  // the stroke's end.
  async strokes(strokes, slow, timed = false, { button = 0, shiftKey = false } = {}) {
    const points = [];
    for (const cells of strokes) {
      const line = [];
      for (const c of cells) line.push(c === "esc" ? c : await this.point(...c));
      points.push(line);
    }
    const took = await this.js(`const [strokes, slow, timed, button, shiftKey] = arguments, c = document.getElementById("canvas");
      const frame = () => new Promise((r) => requestAnimationFrame(r)), took = { events: [] };
      const send = (type, [x, y]) => c.dispatchEvent(new PointerEvent(type, { pointerId: 7, pointerType: "mouse",
        isPrimary: true, bubbles: true, button: type === "pointermove" ? -1 : button, buttons: type === "pointerup" ? 0 : [1, 4, 2][button],
        clientX: x, clientY: y, shiftKey }));
      for (const stroke of strokes) {
        let t0 = performance.now();
        send("pointerdown", stroke[0]);
        took.down = performance.now() - t0;
        t0 = performance.now();
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
        t0 = performance.now();
        send("pointerup", stroke.at(-1));
        took.end = performance.now() - t0;
      }
      return took;`, points, slow, timed, button, shiftKey);
    await this.frames();
    return took;
  }
}

const cell = (text) => text === "esc" ? text : text.split(",").map(Number);

// A copy or cut of the picture, giving want; or a paste of text into it.
async function clip(page, type, text) {
  // Its data set on the event itself: not every engine takes it from the
  // event's init for an event a script makes.
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

// What each action of scenarios.tsv does: args are its words after the
// first, rest the text after the first word, pace "fast" or "slow".
const ACTIONS = {
  draw: (page) => page.drawing(true),
  click: (page, [at]) => page.mouse([cell(at)]),
  rclick: (page, [at]) => page.mouse([cell(at)], 2),
  "shift-click": (page, [at]) => page.mouse([cell(at)], 0, true),
  drag: (page, cells) => page.mouse(cells.map(cell)),
  rdrag: (page, cells) => page.mouse(cells.map(cell), 2),
  "shift-drag": (page, cells) => page.mouse(cells.map(cell), 0, true),
  button: (page, [id]) => page.click(id),
  async pressed(page, [tool]) {
    check(`${page.row}: tool in hand`, await page.js(`return [...document.querySelectorAll("[data-tool]")]
      .filter((b) => b.getAttribute("aria-pressed") === "true").map((b) => b.dataset.tool)`), [tool]);
  },
  // The picture's clipboard events, as the browser's keys and menus raise them.
  copy: (page, words, rest) => clip(page, "copy", rest),
  cut: (page, words, rest) => clip(page, "cut", rest),
  paste: (page, words, rest) => clip(page, "paste", rest),
  async insert(page, [at], rest) {
    await page.js(`const t = document.getElementById("text"); t.focus(); t.setSelectionRange(arguments[0], arguments[0]);
      document.execCommand("insertText", false, arguments[1]);`, +at, expand(rest.slice(at.length).trim()));
    await page.frames();
  },
  async resize(page, [w, h, anchor]) {
    await page.click("resize");
    await page.update(() => page.js(`const $ = (id) => document.getElementById(id);
      $("resize-width").value = arguments[0]; $("resize-height").value = arguments[1];
      document.querySelector('input[name="anchor"][value="' + arguments[2] + '"]').click();
      $("resize-width").dispatchEvent(new Event("input"));
      $("resize-make").click();`, +w, +h, anchor));
  },
  async saved(page, words, rest) {
    check(`${page.row}: saved`, (await page.saved()).bytes.toString("latin1"), expand(rest));
  },
  async held(page, [n]) {
    check(`${page.row}: history held`, +(await page.data("history")), +n);
  },
  async menu(page) {
    check(`${page.row}: no menu`, await page.js(`const e = new MouseEvent("contextmenu", { bubbles: true, cancelable: true });
      document.getElementById("canvas").dispatchEvent(e);
      return e.defaultPrevented;`), true);
  },
  stroke: (page, words, rest, pace) => page.strokes(rest.split("/").map((s) => s.trim().split(/\s+/).map(cell)),
    pace === "slow"),
  keys: (page, combos) => page.keys(...combos),
  async type(page, [at, ...text]) {
    await page.js("const t = document.getElementById('text'); t.focus(); t.setSelectionRange(arguments[0], arguments[0]);", +at);
    await page.update(() => page.b.type(expand(text.join(" "))));
  },
  load: (page, words, rest) => page.load(bin(expand(rest))),
  async reload(page) {
    await sleep(1100);  // the map is kept within a second of a step
    await page.open();
  },
  // Waited for a while: the page keeps the map a moment after a step.
  async text(page, [id], rest) {
    const want = expand(rest.slice(id.length).trim());
    const is = (got) => (want.startsWith("~") && got.includes(want.slice(1))) || got === want;
    let got = await page.text(id);
    for (let i = 0; i < 30 && !is(got); i++, got = await page.text(id)) await sleep(100);
    check(`${page.row}: text of #${id}`, is(got) ? want : got, want);
  },
  async map(page, words, rest) {
    check(`${page.row}: map`, await page.mapText(), expand(rest));
  },
  async converted(page, [n]) {
    const now = +(await page.data("conversions"));
    check(`${page.row}: conversions`, now - page.seen, +n);
    page.seen = now;
  },
  async leave(page, [yes]) {
    check(`${page.row}: leaving asks`, await page.js(`const e = new Event("beforeunload", { cancelable: true });
      dispatchEvent(e);
      return e.defaultPrevented;`), yes === "yes");
  },
  async prompted(page, [yes]) {
    check(`${page.row}: leaving asked`, page.b.dialogs().includes("beforeunload"), yes === "yes");
  },
  async share(page) {
    await page.click("share");
    for (let i = 0; !(await page.js("return document.getElementById('link').value")) && i < 100; i++) await sleep(50);
  },
  async golink(page) {
    const link = await page.js("return document.getElementById('link').value");
    await sleep(1100);
    await page.b.open("about:blank");
    await page.open(link);
  },
  async preload(page, [name]) {
    page.unload = await page.b.preload(PRELOADS[name]);
    await page.open();
  },
};

async function scenarios(page, only) {
  const rows = readFileSync(join(ROOT, "tests/web/scenarios.tsv"), "utf8").split("\n")
    .filter((line) => line.trim() && !line.startsWith("#")).map((line) => line.split(" | ").map((f) => f.trim()));
  for (const [name, map, actions, want] of rows.filter(([name]) => name.includes(only ?? ""))) {
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
  check(`${page.row}: saved map`, saved.bytes.toString("latin1"), bytes.toString("latin1"));
  check(`${page.row}: saved as`, saved.name, "test.map");
  const path = page.file("test.map", saved.bytes);
  execFileSync(page.tool, [path, `${path}.lst`]);
  check(`${page.row}: listing as the tool's`, sha256((await page.download("lf")).bytes), sha256(readFileSync(`${path}.lst`)));

  // Back step by step, by keys and at last the button, to the empty page
  // (through the opened file, where the page was not opened again); then
  // forth again, by both keys and the button.
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

// Every row of the case table that converts a map, through the page.
async function cases(page) {
  let n = 0;
  const lines = readFileSync(join(ROOT, "tests/cli/cases.tsv"), "utf8").split("\n");
  await page.fresh();
  for (const [i, line] of lines.entries()) {
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
    check(`${name}: listing`, sha256(lf.bytes), want);
    check(`${name}: CR LF`, crlf.bytes.toString("latin1"), lf.bytes.toString("latin1").replace(/\n/g, "\r\n"));
    check(`${name}: named`, lf.name, basename(words[0]).replace(/(.)\.[^.]*$/, "$1") + ".lst");
    // The listing, with either line end, opened as a map: the same listing.
    for (const [ends, listing] of [["LF", lf], ["CR LF", crlf]]) {
      await page.load(listing.bytes, "back.lst");
      check(`${name}: its ${ends} listing opened as a map`, sha256((await page.download("lf")).bytes), want);
    }
  }
  return n;
}

// New maps, and pictures as maps: each PNG of pictures.mjs, made by
// netpbm, gives its map exactly; one a pixel too wide is refused.
async function pictures(page) {
  await page.fresh();
  await page.click("new");
  await page.js(`document.getElementById("new-width").value = 7; document.getElementById("new-height").value = 3;`);
  await page.update(() => page.click("new-make"));
  const made = await page.saveMap();
  check("new map", [made.name, made.bytes.toString("latin1")], ["map.map", ".......\n".repeat(3)]);

  const folder = join(page.scratch, "pictures");
  mkdirSync(folder);
  let last;
  for (const { name, path, want } of await makePictures(folder)) {
    await page.loadPath(path);
    last = await page.saveMap();
    check(`picture ${name}`, [last.name, last.bytes.toString("latin1")], [`${name}.map`, want]);
  }
  await page.js("document.getElementById('opened').textContent = ''");
  await page.b.upload("#file", png(page.file("wide.png", ""), 1001, 999, () => [255, 255, 255, 255]));
  for (let i = 0; !(await page.text("opened")) && i < 100; i++) await sleep(100);
  check("picture too large: said", /1001 × 999 pixels.*1,000,998 bytes.*1,000,000/.test(await page.text("opened")), true);
  check("picture too large: map kept", (await page.saveMap()).name, last.name);
  await page.loadPath(png(page.file("largest.png", ""), 1000, 999, (x, y) => x === y ? [0, 0, 0, 255] : [255, 255, 255, 255]));
  check("largest picture", [await page.text("message"), (await page.text("points")).split(",")[0]], ["", "999 points"]);
}

// Refused bytes: line and column as an editor counts them, and the mark.
async function refusals(page) {
  await page.fresh();
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
  // The page holds a map's byte more than the tool converts, and no more:
  // a larger file could be saved only cut short, so it is not.
  for (const [size, saves] of [[1_000_001, true], [1_000_002, false]]) {
    await page.load(Buffer.alloc(size, "."));
    check(`a file of ${size} bytes: Save map`, await page.js("return !document.getElementById('save').disabled"), saves);
  }
}

// The picture's pixels and the [x,y] shown when pointing at cells, of a
// map whose skipped bytes and empty line take no column or row, and whose
// first two rows are wider than the last; then a cell painted and undone.
async function pointing(page) {
  await page.fresh();
  await page.load(bin("\tO.O\n\n.\xe9O.\r\nOO\n"), "picture.map");
  const [marked, blank, panel, uneven] = await page.js(`const s = getComputedStyle(document.documentElement);
    return ['--marked', '--blank', '--panel', '--uneven'].map((v) => s.getPropertyValue(v).trim())
      .map((c) => [1, 3, 5].map((i) => parseInt(c.slice(i, i + 2), 16)));`);
  const pixel = (p) => page.js(`const c = document.getElementById('canvas'), r = c.getBoundingClientRect();
    return [...c.getContext('2d').getImageData(Math.floor((arguments[0] - r.left - c.clientLeft) * devicePixelRatio),
      Math.floor((arguments[1] - r.top - c.clientTop) * devicePixelRatio), 1, 1).data.slice(0, 3)];`, ...p);
  for (const [x, y, readout, colour] of [
    [0, 0, "[0,0] marked", marked], [1, 0, "[1,0] blank", blank], [2, 0, "[2,0] marked", marked],
    [0, 1, "[0,1] blank", blank], [1, 1, "[1,1] marked", marked], [2, 1, "[2,1] blank", blank],
    [0, 2, "[0,2] marked", marked], [1, 2, "[1,2] marked", marked], [2, 2, "", panel],
    [-1, 0, "", uneven], [-1, 2, "", panel]]) {
    const p = await page.point(x, y);
    await page.b.mouse([{ move: p }]);
    check(`picture: pointing at (${x},${y})`, await page.text("cell"), readout);
    check(`picture: pixel of (${x},${y})`, await pixel(p), colour);
  }
  // A stroke's cells are drawn in the frame after it, and so is their undo.
  await page.drawing(true);
  await page.strokes([[[1, 0], [1, 1]]], false);
  check("picture: painted cells drawn", [await pixel(await page.point(1, 0)), await pixel(await page.point(1, 1))], [marked, marked]);
  await page.keys("Control+z");
  check("picture: undone cells drawn", [await pixel(await page.point(1, 0)), await pixel(await page.point(1, 1))], [blank, marked]);
}

// axe-core in the page's states: no serious or critical violation.
async function accessibility(page) {
  const axe = readFileSync(join(ROOT, "tests/web/node_modules/axe-core/axe.min.js"), "utf8");
  const states = [["empty", async () => {}], ["converted", () => page.loadPath(join(ROOT, "examples/room.map"))],
    ["drawing", () => page.drawing(true)], ["selecting", () => page.keys("Control+a")],
    ["resizing", () => page.click("resize")], ["refused", async () => {
      await page.js("document.getElementById('resize-dialog').close()");
      await page.load(bin("O.\n.0\n"));
    }]];
  await page.fresh();
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
  await page.fresh();
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
    return [icon, image, fetched, [...new Set(refused)].sort()];`), [32, 0, "refused", ["connect-src", "img-src"]]);
  if (page.url.startsWith("file:")) {
    check("from disk: no worker", await page.js(`try {
        return (await navigator.serviceWorker?.getRegistrations())?.length ?? 0;
      } catch {
        return 0;
      }`), 0);
  }
  const requests = page.b.requests();
  if (!requests) return;
  const own = page.url.split("#")[0];
  check("requests logged", requests.length > 0, true);
  check("nothing fetched", requests.filter((u) => !u.startsWith(own) && !/^(data|blob|about):/.test(u)), []);
}

// Chromium alone, through the DevTools protocol: real downloads, touch,
// a phone's screen, the history of 100 cells.
async function chromium(page) {
  const downloads = join(page.scratch, "downloads");
  mkdirSync(downloads);
  await page.b.cdp("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  await page.fresh(false);
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.click("save");
  await page.js(`document.querySelector('input[name="ends"][value="lf"]').click()`);
  await page.click("download");
  for (const name of ["room.map", "room.lst"]) {
    const path = join(downloads, name);
    for (let i = 0; !existsSync(path) && i < 100; i++) await sleep(100);
    check(`downloaded ${name}`, existsSync(path) && sha256(readFileSync(path)), sha256(readFileSync(join(ROOT, "examples", name))));
  }

  // Fingers: a tap paints; a pinch zooms and paints nothing, even when
  // its first finger came down alone.
  await page.fresh();
  await page.load(bin("....\n....\n"));
  await page.drawing(true);
  const touch = (type, points) => page.b.cdp("Input.dispatchTouchEvent",
    { type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
  const [ax, ay] = await page.point(1, 0, 0.5, 0.5), [bx, by] = await page.point(2, 1, 0.5, 0.5);
  await page.update(async () => { await touch("touchStart", [[ax, ay]]); await touch("touchEnd", []); });
  check("tap: painted", await page.mapText(), ".O..\n....\n");
  const scale = +(await page.js("return document.getElementById('canvas').dataset.cell"));
  await touch("touchStart", [[ax, ay]]);
  await touch("touchStart", [[ax, ay], [bx, by]]);
  for (let i = 1; i <= 5; i++) await touch("touchMove", [[ax - 10 * i, ay - 10 * i], [bx + 10 * i, by + 10 * i]]);
  await touch("touchEnd", []);
  await page.frames();
  check("pinch: zoomed", +(await page.js("return document.getElementById('canvas').dataset.cell")) > scale * 1.2, true);
  check("pinch: nothing painted", await page.mapText(), ".O..\n....\n");
  await page.keys("Control+z");
  check("pinch: no step of its own", await page.mapText(), "....\n....\n");
  // A second finger drops a line being drawn.
  await page.keys("l");
  await touch("touchStart", [[ax, ay]]);
  await touch("touchMove", [[bx, by]]);
  await touch("touchStart", [[bx, by], [ax, ay]]);
  await touch("touchEnd", []);
  await page.frames();
  check("a second finger: no line", await page.mapText(), "....\n....\n");

  // A phone's width: nothing wider than the screen.
  await page.b.page.setViewport({ width: 360, height: 740, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.fresh();
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.drawing(true);
  check("360 pixels: no sideways scroll", await page.js(`return [document.documentElement.scrollWidth,
    ...[...document.querySelectorAll("button, input, canvas, textarea")].filter((e) => e.offsetParent && !e.closest("dialog"))
      .filter((e) => e.getBoundingClientRect().right > 360).map((e) => e.id || e.outerHTML.slice(0, 40))]`), [360]);
  check("360 pixels: the picture and its tools before the map text", await page.js(`const top = (id) =>
    document.getElementById(id).getBoundingClientRect().top;
    return top("tools") < top("canvas") && top("canvas") < top("text");`), true);
  await page.b.page.setViewport({ width: 1280, height: 900 });

  // A map too large for the text box, 100 cells painted: the history holds
  // what they changed, and undoing them gives the map back exactly.
  const large = Buffer.from((".".repeat(499) + "\n").repeat(400));
  await page.fresh();
  await page.load(large, "large.map");
  await page.drawing(true);
  await page.keys("ArrowRight");
  for (let i = 0; i < 100; i++) await page.keys("Space", "ArrowRight");
  check("100 cells: map changed", sha256((await page.saveMap()).bytes) !== sha256(large), true);
  // The last 100 steps: the opened map's has gone, each cell's is 4 bytes.
  check("100 cells: history in bytes", +(await page.data("history")), 400);
  for (let i = 0; i < 100; i++) await page.b.keys("Control+z");
  await page.frames();
  check("100 cells: undone exactly", sha256((await page.saveMap()).bytes), sha256(large));
}

// Medians, in this engine: the largest maps from their bytes to the
// listing, beside the native tool's whole run; on a 1000 × 999 map and a
// 20 × 20 one, a pointer event of a drag (median and 95th percentile), a
// stroke's end to all in step, and a whole redraw of the picture.
async function timings(page) {
  const t = { native: [], listing: [] };
  const maps = { large: Buffer.from(("O".repeat(1000) + "\n").repeat(999)), small: Buffer.from(("O".repeat(20) + "\n").repeat(20)) };
  for (const [size, data] of Object.entries(maps)) {
    const path = page.file(`${size}.map`, data), events = [], ends = [], redraws = [], lines = [], boxes = [];
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
      // A drag to and fro over the first six rows, each of its 121 events
      // on a cell not yet painted.
      const back = Array.from({ length: 121 }, (_, j) => [Math.floor(j / 20) % 2 ? 19 - (j % 20) : j % 20, Math.floor(j / 20)]);
      const took = await page.strokes([back], false, true);
      events.push(...took.events);
      ends.push(took.end);
      for (let z = 0; z < 4; z++) {
        await page.keys(z % 2 ? "-" : "+");
        redraws.push(+(await page.data("drawMs")));
      }
      // The same drag with Line and Rectangle: each event shows the shape.
      for (const [key, list] of [["l", lines], ["r", boxes]]) {
        await page.keys(key);
        list.push(...(await page.strokes([back], false, true)).events);
      }
    }
    const p95 = (v) => [...v].sort((a, b) => a - b)[Math.floor(0.95 * v.length)];
    Object.assign(t, { [size]: { event: median(events), p95: p95(events), end: median(ends), redraw: median(redraws),
      line: median(lines), box: median(boxes) } });
  }
  // On the large map: a fill of every cell, all selected and flipped, and
  // a Resize, each from the click or the key to the listing and picture in
  // step.
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
    await ACTIONS.resize(page, ["999", "1000", "1,1"]);
    tools.resize.push(+(await page.data("pictureMs")));
  }
  Object.assign(t, { fill: median(tools.fill), flip: median(tools.flip), resize: median(tools.resize) });
  const picture = page.file("large.png", "");
  png(picture, 1000, 999, (x, y) => (x * y) % 7 ? [255, 255, 255, 255] : [0, 0, 0, 255]);
  const opened = [];
  for (let i = 0; i < 3; i++) {
    await page.fresh();
    await page.loadPath(picture);
    opened.push(+(await page.data("pictureMs")));
  }
  return { ...t, engine: page.b.version, native: median(t.native), listing: median(t.listing), picture: median(opened) };
}

function timingTable(rows) {
  const f = (v) => v.toFixed(v < 10 ? 2 : 1);
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
        line(`${name}: a pointer event of a Rectangle, shown (median, runs of ten)`, (r) => r[size].box)];
    }),
    line("1000 × 999: a fill of every cell, click to listing and picture in step", (r) => r.fill),
    line("1000 × 999: all selected and flipped, key to listing and picture in step", (r) => r.flip),
    line("1000 × 999: resized to 999 × 1000 about the centre, to listing and picture in step", (r) => r.resize), ""].join("\n");
}

// The site served by Debian's nginx, as a process of the test's own on
// 127.0.0.1, with the server block of the site's README: its root the
// folder given, its port a free one. stop() and start() take it down and
// up again on the same port.
async function serve(root, prefix) {
  const block = readFileSync(join(root, "README"), "utf8").match(/^    server \{$[^]*?^    \}$/m)[0];
  const port = await new Promise((done) => {
    const server = createServer().listen(0, "127.0.0.1", () => {
      const { port: free } = server.address();
      server.close(() => done(free));
    });
  });
  mkdirSync(prefix, { recursive: true });
  writeFileSync(join(prefix, "nginx.conf"), [process.getuid?.() === 0 ? "user root;" : "", "worker_processes 1;",
    `pid ${prefix}/nginx.pid;`, `error_log ${prefix}/error.log;`, "events {}", "http {", "access_log off;",
    block.replace(/listen 80;/, `listen 127.0.0.1:${port};`).replace(/root \/srv\/gridpin;/, `root ${root};`), "}"].join("\n"));
  let nginx = null;
  const site = {
    url: `http://127.0.0.1:${port}/`,
    async start() {
      nginx = spawn("/usr/sbin/nginx", ["-p", prefix, "-c", join(prefix, "nginx.conf"), "-g", "daemon off;"], { stdio: "inherit" });
      for (let i = 0; !(await new Promise((done) => connect(port, "127.0.0.1").on("connect", function () {
        this.end();
        done(true);
      }).on("error", () => done(false)))); i++) {
        if (i === 50) throw new Error("nginx did not start");
        await sleep(100);
      }
    },
    async stop() {
      nginx?.kill();
      await new Promise((done) => nginx.on("exit", done));
    },
  };
  await site.start();
  return site;
}

// The hosted page, in Chromium: installable; its worker keeps it, so that
// with the server down it opens, converts and downloads a listing as the
// tool writes it; a new release's files replace the old ones; and a link
// made on it opens its map in another profile.
async function hostedChromium(page, site, root, scratch) {
  page.url = site.url;
  await page.fresh();
  await page.js("await navigator.serviceWorker.ready");
  const manifest = await page.b.cdp("Page.getAppManifest", {});
  check("hosted: the manifest", [manifest.url, manifest.errors], [`${site.url}manifest.webmanifest`, []]);
  check("hosted: installable", (await page.b.cdp("Page.getInstallabilityErrors", {})).installabilityErrors, []);
  await page.open();
  check("hosted: its worker in control", await page.js("return !!navigator.serviceWorker.controller"), true);
  await site.stop();
  await page.open();
  await page.loadPath(join(ROOT, "examples/room.map"));
  check("hosted, offline: the listing", (await page.download("lf")).bytes.toString("latin1"),
    readFileSync(join(ROOT, "examples/room.lst"), "latin1"));
  await site.start();

  // Another release on the host: its files come at the next visit.
  const next = (file, from, to) => writeFileSync(join(root, file), readFileSync(join(root, file), "utf8").replace(from, to));
  next("sw.js", /gridpin-[^"]*/, "$&-next");
  next("index.html", /gridpin ([^,]*), free software/, "gridpin $1-next, free software");
  let footer = "";
  for (let i = 0; i < 10 && !footer.includes("-next"); i++) {
    // As a visit does, at once: the worker's script is checked for a new one.
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
  const link = await page.js("return document.getElementById('link').value");
  const other = await launch("chromium", join(scratch, "second profile"));
  try {
    const second = new Page(other, link, scratch, page.tool);
    await second.open();
    check("hosted: a link opened in another profile", await second.mapText(), readFileSync(join(ROOT, "examples/room.map"), "latin1"));
  } finally {
    await other.close();
  }
}

async function main() {
  const { values: opts, positionals } = parseArgs({ allowPositionals: true, options: {
    engines: { type: "string", default: "chromium,firefox,webkit" }, "cases-only": { type: "boolean" },
    only: { type: "string" }, tool: { type: "string" }, out: { type: "string" }, verbose: { type: "boolean" }, timings: { type: "boolean" }, site: { type: "string" } } });
  const url = pathToFileURL(resolve(positionals[0])).href;
  const tmp = mkdtempSync(join(tmpdir(), "gridpin-page-"));
  const timed = [];
  try {
    for (const engine of opts.engines.split(",")) {
      const scratch = join(tmp, engine), before = failures.length;
      mkdirSync(scratch);
      let browser = null;
      try {
        browser = await launch(engine, join(scratch, "profile"));
        const page = Object.assign(new Page(browser, url, scratch, resolve(opts.tool)), { verbose: opts.verbose });
        if (opts.timings) timed.push(await timings(page));
        else if (!opts.only) console.log(`${browser.version}: ${await cases(page)} rows of the case table`);
        if (!opts["cases-only"] && !opts.timings) {
          await scenarios(page, opts.only);
          if (!opts.only) {
            await pictures(page);
            await refusals(page);
            await pointing(page);
            await accessibility(page);
            if (engine === "chromium") await chromium(page);
            if (opts.out) timed.push(await timings(page));
          }
        }
        await sealed(page);
        if (opts.site && !opts.timings && !opts.only) {
          // A copy: the test puts a new release in it.
          const root = join(scratch, "site");
          cpSync(resolve(opts.site), root, { recursive: true });
          const site = await serve(root, join(scratch, "nginx"));
          try {
            if (engine === "chromium") await hostedChromium(page, site, root, scratch);
            else {
              page.url = site.url;
              console.log(`${browser.version}, hosted: ${await cases(page)} rows of the case table`);
              await page.open();
              console.log(`${browser.version}, hosted: ${await page.js(`const w = navigator.serviceWorker;
                if (!w) return "no service worker";
                await Promise.race([w.ready, new Promise((r) => setTimeout(r, 5000))]);
                return w.controller ? "its worker in control" : "its worker not in control";`)}`);
            }
            await sealed(page);
          } finally {
            await site.stop();
            page.url = url;
          }
        }
        if (engine === "chromium" && opts.out) {
          mkdirSync(opts.out, { recursive: true });
          await page.fresh();
          await page.loadPath(join(ROOT, "examples/room.map"));
          await page.drawing(true);
          await page.mouse([[5, 5]]);
          await page.keys("s");
          await page.mouse([[2, 1], [7, 3]]);
          await page.b.mouse([{ move: await page.point(5, 5) }]);
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
      const table = timingTable(timed);
      console.log(table);
      mkdirSync(opts.out, { recursive: true });
      writeFileSync(join(opts.out, "timings.md"), table);
    }
  } finally {
    rmSync(tmp, { recursive: true, force: true });
  }
  console.log(`${failures.length} failed`);
  process.exitCode = failures.length ? 1 : 0;
}

await main();
