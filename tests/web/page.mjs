// The page in one browser, as the tests drive it: opened afresh, files
// put in its file input, its saved files read back, the picture's cells
// clicked, dragged and stroked, keys pressed, dialogs filled in; and what
// every suite uses: check, which counts failures, and the tables' texts.
import { createHash } from "node:crypto";
import { mkdirSync, writeFileSync } from "node:fs";
import { join, resolve } from "node:path";

export const ROOT = resolve(import.meta.dirname ?? new URL(".", import.meta.url).pathname, "../..");
export const failures = [];
export const sha256 = (bytes) => createHash("sha256").update(bytes).digest("hex");
export const bin = (text) => Buffer.from(text, "latin1");
export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
// A file's name less the " (2)", " (3)"… that the page gives a map of a
// name it keeps already, as a test's maps opened one after another are.
export const unnumbered = (name) => name.replace(/ \(\d+\)(?=\.[^.]*$|$)/, "");

export function check(name, got, want) {
  const g = JSON.stringify(got), w = JSON.stringify(want);
  if (g !== w) {
    failures.push(name);
    // Long values shown from a little before where they part.
    let at = 0;
    while (g && w && g[at] === w[at]) at++;
    const from = at > 200 ? at - 100 : 0, cut = (s) => (from ? "…" : "") + s?.slice(from, from + 300);
    console.log(`FAIL ${name}: got ${cut(g)}, expected ${cut(w)}`);
  }
}

// The tables' texts: {N*TEXT} repeated, innermost first, then escapes;
// \xHH is a byte of a map and the character U+00HH of a text.
export function expand(text) {
  const repeat = /\{(\d+)\*([^{}]*)\}/;
  while (repeat.test(text)) text = text.replace(repeat, (_, n, t) => t.repeat(+n));
  return text.replace(/\\(x[0-9a-fA-F]{2}|u[0-9a-fA-F]{4}|.)/g, (_, e) =>
    /^[xu]/.test(e) ? String.fromCharCode(parseInt(e.slice(1), 16)) : { n: "\n", r: "\r", t: "\t" }[e] ?? e);
}

// The page in one browser, with what its tests do to it.
export class Page {
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
  // WebKit's driver drops Shift and Control from a press and the right
  // button's release: there such a drag is made of events the page is sent.
  // The picture is focused first, as the press would focus it: a field
  // left focused may scroll itself into view in the meantime, moving the
  // picture from under the points (seen in WebKit). A driver may return
  // before the page has had the release, which is waited for.
  async mouse(cells, button = 0, hold = null) {
    if (this.b.engine === "webkit" && (button || hold)) {
      return this.strokes([cells], false, false, { button, shiftKey: hold === "Shift", ctrlKey: hold === "Control" });
    }
    await this.js(`const c = document.getElementById("canvas");
      c.focus({ preventScroll: true });
      c.scrollIntoView({ block: "nearest" });
      window.released = new Promise((r) => c.addEventListener("pointerup", () => r(true), { once: true }));`);
    await this.frames();
    const points = [];
    for (const [x, y] of cells) points.push(await this.point(x, y));
    await this.b.mouse([{ move: points[0] }, { down: button }, ...points.slice(1).map((p) => ({ move: p })), { up: button }],
      hold);
    if (!(await this.js("return await Promise.race([released, new Promise((r) => setTimeout(() => r(false), 2000))])"))) {
      throw new Error("the release never reached the picture");
    }
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
  // New map's dialog, or Resize's, filled in and made; more: New map's
  // name, or which anchor of Resize's stays put.
  async dialog(name, w, h, more) {
    await this.click(name);
    await this.update(() => this.js(`const [name, w, h, more] = arguments, $ = (id) => document.getElementById(name + id);
      Object.assign($("-width"), { value: w }).dispatchEvent(new Event("input"));
      $("-height").value = h;
      if (more && name === "new") $("-name").value = more;
      else if (more) document.querySelector('input[name="anchor"][value="' + more + '"]').click();
      $("-make").click();`, name, w, h, more));
  }

  // Strokes sent to the picture as pointer events ("esc": an Escape key),
  // all at once or one a frame. Timed: how long the page took over its
  // press, over each run of ten moves and over its release.
  async strokes(strokes, slow, timed = false, { button = 0, shiftKey = false, ctrlKey = false } = {}) {
    const points = [];
    for (const cells of strokes) {
      const line = [];
      for (const c of cells) line.push(c === "esc" ? c : await this.point(...c));
      points.push(line);
    }
    const took = await this.js(`const [strokes, slow, timed, button, shiftKey, ctrlKey] = arguments, c = document.getElementById("canvas");
      const frame = () => new Promise((r) => requestAnimationFrame(r)), took = { events: [] };
      const send = (type, [clientX, clientY]) => {
        const t0 = performance.now();
        c.dispatchEvent(new PointerEvent(type, { pointerId: 7, pointerType: "mouse", isPrimary: true, bubbles: true,
          button: type === "pointermove" ? -1 : button, buttons: type === "pointerup" ? 0 : [1, 4, 2][button],
          clientX, clientY, shiftKey, ctrlKey }));
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
      return took;`, points, slow, timed, button, shiftKey, ctrlKey);
    await this.frames();
    return took;
  }
}
