// The runner of scenarios.tsv: each row's actions done to the page in
// one engine, then its saved map held against the row's and the listing
// against what the native tool writes for it, and the row's history
// undone to the start and redone.
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { deflateRawSync } from "node:zlib";
import { ROOT, bin, check, expand, sha256, sleep } from "./page.mjs";
import { FORM_ACTIONS } from "./forms.mjs";
import { png } from "./pictures.mjs";
import { MAPS_ACTIONS } from "./maps.mjs";
import { CHARSET_ACTIONS } from "./charset.mjs";
import { SHIFT_ACTIONS } from "./shift.mjs";

// Where no storage is, or it is full, from before the page's own script.
const PRELOADS = {
  nostore: `Object.defineProperty(window, "indexedDB", { get() { throw new DOMException("no", "SecurityError"); } });`,
  full: `IDBObjectStore.prototype.put = () => { throw new DOMException("full", "QuotaExceededError"); };`,
};


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
export const ACTIONS = {
  draw: (page) => page.drawing(true),
  click: (page, [at]) => page.mouse([cell(at)]),
  rclick: (page, [at]) => page.mouse([cell(at)], 2),
  "shift-click": (page, [at]) => page.mouse([cell(at)], 0, "Shift"),
  drag: (page, cells) => page.mouse(cells.map(cell)),
  rdrag: (page, cells) => page.mouse(cells.map(cell), 2),
  "shift-drag": (page, cells) => page.mouse(cells.map(cell), 0, "Shift"),
  "ctrl-drag": (page, cells) => page.mouse(cells.map(cell), 0, "Control"),
  stroke: (page, words, rest, pace) => page.strokes(rest.split("/").map((s) => s.trim().split(/\s+/).map(cell)), pace === "slow"),
  keys: (page, words, rest) => page.keys(...expand(rest).split(/\s+/).filter(Boolean)),
  // Keys pressed wherever the focus is, and the focus put on an element.
  press: (page, combos) => page.b.keys(...combos).then(() => page.frames()),
  focus: (page, [id]) => page.js("document.getElementById(arguments[0]).focus()", id),
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
  // A PNG of ROWS of cells ("/" between rows) drawn N pixels a cell, in two
  // colours either side of the rule, EXTRA pixels wider, opened as NAME.
  async picture(page, [name, n, extra, rows]) {
    const map = expand(rows).split("/").filter(Boolean), colour = (v) => v === "O" ? [40, 0, 90, 255] : [250, 250, 200, 255];
    await page.loadPath(png(page.file(name, ""), map[0].length * n + +extra, map.length * n,
      (x, y) => colour(map[Math.floor(y / n)][Math.floor(x / n)])));
  },
  // The map is kept a moment after a step: until then, a reload would
  // find the one before.
  wait: (page) => page.kept(),
  // Given MS, MS after the last action, kept or not.
  async reload(page, [ms]) {
    if (ms) await sleep(+ms);
    else await page.kept();
    await page.open();
  },
  // The tab closed MS after the last action, and the page opened in a new
  // one, as a user brings a tab back.
  async close(page, [ms]) {
    await sleep(+ms);
    const next = await page.b.tab();
    await page.b.shut();
    if (page.first === page.b) page.first = next;
    page.b = next;
    await page.open();
  },
  // A second tab of the page, or the other tab, to act in from now on.
  async tab(page) {
    page.other = await page.b.tab();
    [page.b, page.other] = [page.other, page.b];
    await page.b.front();
    await page.open();
  },
  async swap(page) {
    [page.b, page.other] = [page.other, page.b];
    await page.b.front();
    await page.frames();
  },
  // The map's kept bytes made TEXT by a tab that this one never heard.
  async elsewhere(page, words, rest) {
    await page.js(`const open = indexedDB.open("gridpin"), bytes = Uint8Array.from(arguments[0], (c) => c.charCodeAt(0));
      const db = await new Promise((r) => { open.onsuccess = () => r(open.result); });
      const t = db.transaction(["entries", "texts"], "readwrite"), entries = t.objectStore("entries");
      const id = sessionStorage.getItem("gridpin-entry");
      entries.get(id).onsuccess = (e) => {
        entries.put({ ...e.target.result, size: bytes.length, changed: Date.now(), version: { n: 99, by: "elsewhere" } });
        t.objectStore("texts").put(bytes, id);
      };
      await new Promise((r) => { t.oncomplete = r; });
      db.close();`, expand(rest));
  },
  // The tab shown again.
  show: (page) => page.js("document.dispatchEvent(new Event('visibilitychange'))").then(() => page.frames()),
  // Text pasted over the whole of the text box's text.
  async "paste-all"(page, words, rest) {
    await page.update(() => page.js(`const t = document.getElementById("text"), data = arguments[0];
      t.focus();
      t.select();
      t.dispatchEvent(new InputEvent("beforeinput", { inputType: "insertFromPaste", data, bubbles: true, cancelable: true }));
      t.value = data;
      t.dispatchEvent(new InputEvent("input", { inputType: "insertFromPaste", data, bubbles: true }));`, expand(rest)));
  },
  async share(page) {
    await page.click("share");
    for (let i = 0; !(await page.js("return document.getElementById('link').value")) && i < 100; i++) await sleep(50);
  },
  // The link the page made, or one made here for the text given.
  async golink(page, words, rest) {
    const [, text, cut = 0] = rest.match(/^(.*?)(?: cut (\d+))?$/), many = text.match(/^\{(\d+)\*(.)\}$/);
    const bytes = many ? Buffer.alloc(+many[1], many[2]) : bin(expand(text)), packed = deflateRawSync(bytes);
    const here = await page.js("return location.href.split('#')[0]");
    const link = rest.startsWith("=") ? `${here}#map${rest}`
      : rest ? `${here}#map=${packed.subarray(0, packed.length - cut).toString("base64url")}`
      : await page.js("return document.getElementById('link').value");
    await page.kept();
    await page.b.open("about:blank");
    // An address longer than the engine takes (Firefox: 1 MB) never
    // reaches a page there: the row ends.
    try {
      await page.open(link);
    } catch (e) {
      if (!/MALFORMED_URI|valid URL/.test(e.message)) throw e;
      throw Object.assign(new Error(`an address of ${link.length.toLocaleString("en")} characters, which this engine refuses`),
        { skip: true });
    }
  },
  async preload(page, [name]) {
    page.unload = await page.b.preload(PRELOADS[name]);
    await page.open();
  },
  // What is looked at; a text is waited for a while, as the page keeps the
  // map a moment after a step.
  text: (page, [id], rest) => looks(page, `text of #${id}`, () => page.text(id), rest.slice(id.length)),
  attr: (page, [id, name], rest) => looks(page, `${name} of #${id}`,
    () => page.js("return document.getElementById(arguments[0]).getAttribute(arguments[1])", id, name),
    rest.slice(id.length).trim().slice(name.length)),
  map: async (page, words, rest) => check(`${page.row}: map`, await page.mapText(), expand(rest)),
  // The text box's text, waited for: a step told from another tab.
  shows: (page, words, rest) => looks(page, "the map's text", () => page.js("return document.getElementById('text').value"), rest),
  // The bytes the browser keeps for the map of this name.
  async stored(page, words, rest) {
    const [name, text] = rest.split(" = ");
    await page.kept();
    check(`${page.row}: kept as ${name}`, await page.js(`const open = indexedDB.open("gridpin");
      const db = await new Promise((r) => { open.onsuccess = () => r(open.result); });
      const ask = (store, how) => new Promise((r) => { const q = how(db.transaction(store).objectStore(store)); q.onsuccess = () => r(q.result); });
      const entry = (await ask("entries", (s) => s.getAll())).find((e) => e.name === arguments[0]);
      const bytes = entry && await ask("texts", (s) => s.get(entry.entry));
      db.close();
      return bytes ? String.fromCharCode(...bytes) : null;`, name), expand(text));
  },
  saved: async (page, words, rest) => check(`${page.row}: saved`, (await page.saved()).bytes.toString("latin1"), expand(rest)),
  // The element focused is #ID or within it.
  focused: async (page, [id]) => check(`${page.row}: focused`, await page.js(`const e = document.activeElement;
    return e?.closest("#" + arguments[0]) ? arguments[0] : e?.id || e?.tagName;`, id), id),
  held: async (page, [n]) => check(`${page.row}: history held`, +(await page.data("history")), +n),
  enabled: async (page, [id, yes]) => check(`${page.row}: #${id} enabled`,
    await page.js("return !document.getElementById(arguments[0]).disabled", id), yes === "yes"),
  shown: async (page, [id, yes]) => check(`${page.row}: #${id} shown`,
    await page.js("const e = document.getElementById(arguments[0]); return !!e && !e.hidden && e.getClientRects().length > 0", id),
    yes === "yes"),
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
  // The overlay along a segment from X,Y to X,Y (cells, or "ruler": the
  // band's strip that marks the cell pointed at): yes where a colour of
  // the page's style is within a device pixel of 40% of it or more, which
  // a dashed line's dashes are; no where nowhere. A line off the pixel
  // grid is drawn part opaque, which counts.
  async inked(page, [from, to, colour, want]) {
    await page.frames();
    const share = await page.js(`const [from, to, colour] = arguments, o = document.getElementById("overlay");
      const d = document.getElementById("canvas").dataset, ratio = devicePixelRatio;
      const css = getComputedStyle(document.documentElement).getPropertyValue("--" + colour).trim();
      const rgb = [1, 3, 5].map((i) => parseInt(css.slice(i, i + 2), 16));
      // The bands are 32 px wide and 16 high from their corner, the mark
      // their last 3 px.
      const [bx, by] = o.dataset.rulerAt.split(",").map(Number);
      const px = ([x, y]) => [x === "ruler" ? bx + 30.5 : +d.x0 + +x * d.cell, y === "ruler" ? by + 14.5 : +d.y0 + +y * d.cell]
        .map((v) => v * ratio);
      const [a, b] = [from, to].map(px), n = Math.ceil(Math.max(...[0, 1].map((k) => Math.abs(b[k] - a[k])))) + 1;
      const img = o.getContext("2d").getImageData(0, 0, o.width, o.height).data;
      const is = (x, y) => img[4 * (y * o.width + x) + 3] >= 96 &&
        rgb.every((c, k) => Math.abs(img[4 * (y * o.width + x) + k] - c) <= 40);
      let hit = 0;
      for (let k = 0; k < n; k++) {
        const [x, y] = [0, 1].map((i) => Math.floor(a[i] + (b[i] - a[i]) * k / Math.max(n - 1, 1)));
        if ([-1, 0, 1].some((i) => [-1, 0, 1].some((j) => is(x + i, y + j)))) hit++;
      }
      return hit / n;`, from.split(","), to.split(","), colour);
    check(`${page.row}: ${colour} from ${from} to ${to}`, share >= 0.4 ? "yes" : share === 0 ? "no" : `on ${share.toFixed(2)} of it`, want);
  },
  ...FORM_ACTIONS,
  ...MAPS_ACTIONS,
  ...CHARSET_ACTIONS,
  ...SHIFT_ACTIONS,
};

// A text that should be, or hold (~TEXT), waited for a while.
async function looks(page, what, get, text) {
  const want = expand(text.trim());
  const is = (got) => (want.startsWith("~") && got?.includes(want.slice(1))) || got === want;
  let got = await get();
  for (let i = 0; i < 30 && !is(got); i++, got = await get()) await sleep(100);
  check(`${page.row}: ${what}`, is(got) ? want : got, want);
}

export async function scenarios(page, only = "") {
  const rows = readFileSync(join(ROOT, "tests/web/scenarios.tsv"), "utf8").split("\n")
    .filter((line) => line.trim() && !line.startsWith("#")).map((line) => line.split(" | ").map((f) => f.trim()));
  for (const [name, map, actions, want] of rows.filter(([name]) => name.includes(only))) {
    if (/\bpreload\b/.test(actions) && !page.b.preload) continue;
    if (/\bscreen \d+ \d+ phone\b/.test(actions) && page.b.engine !== "chromium") continue;
    for (const pace of /\bstroke\b/.test(actions) ? ["fast", "slow"] : [""]) {
      page.row = `${name}${pace && `, ${pace}`}`;
      if (page.verbose) console.log(page.row);
      try {
        await scenario(page, map, actions, want, pace);
      } catch (e) {
        if (e.skip) console.log(`${page.row}: ends at ${e.message}`);
        else check(`${page.row}: ${e.message}`, false, true);
      } finally {
        if (page.unload) await page.b.page.removeScriptToEvaluateOnNewDocument(page.unload.identifier);
        if (/\bscreen\b/.test(actions)) await page.b.size();
        page.unload = null;
        // Back to the first tab, the second closed.
        if (page.other) {
          if (page.b !== page.first) [page.b, page.other] = [page.other, page.b];
          await page.other.shut().catch(() => {});
          await page.b.front();
          page.other = null;
        }
      }
    }
  }
}

// A row's actions, ";" between them, done in turn.
export async function act(page, actions, pace = "") {
  for (const action of actions.split(";").map((a) => a.trim())) {
    const [verb, ...words] = action.split(/\s+/);
    await ACTIONS[verb](page, words, action.slice(verb.length).trim(), pace);
  }
}

async function scenario(page, map, actions, want, pace) {
  page.first ??= page.b;
  await page.fresh();
  if (map !== "-") await page.load(bin(expand(map)));
  await act(page, actions, pace);
  if (want === "-") return;
  const saved = await page.saveMap(), bytes = bin(expand(want));
  check(`${page.row}: saved map`, [saved.name, saved.bytes.toString("latin1")],
    [/dialog new/.test(actions) ? `${actions.match(/dialog new \d+ \d+ (\w+)/)?.[1] ?? "map"}.map` : "test.map",
      bytes.toString("latin1")]);
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
  // A map brought back after a reload (as a phone's screen brings one) is
  // where the history starts.
  if (!/reload|close|tab|phone/.test(actions)) check(`${page.row}: undone to the start`, states.at(-1), "");
  if (map !== "-" && !/reload|golink|close|tab|phone/.test(actions)) check(`${page.row}: undone to the file`, states.at(-2), expand(map));
  for (let i = 1; i < states.length; i++) {
    if (i === states.length - 1) await page.click("redo");
    else await page.keys(i % 2 ? "Control+y" : "Control+Shift+z");
  }
  await page.frames();
  check(`${page.row}: redone`, await page.mapText(), bytes.toString("latin1"));
}
