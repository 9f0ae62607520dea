// Nothing drawn is lost with the tab: every map opened, made or drawn is
// kept in the browser's own storage for this page (IndexedDB), each under
// an entry of its own, 50 ms after a step, and at once when the
// tab is hidden, closed, reloaded or left, in a transaction committed
// there and then: one left to commit itself when the script is done is
// cut off by the page's end. When the page opens without a map in its
// link, the tab's own map comes back, or in a new tab the map changed
// last. A map is never kept over a version of it from another tab that it
// did not take in (see tabs.js): it is kept beside it. Where the browser
// keeps nothing for the page, or refuses a map, it says which and why, and
// then, only then, closing or reloading the tab with changes not yet saved
// asks first.
//
// Two stores: "entries", what the Maps list shows of each map (its name,
// where it came from, its size, when it changed, a thumbnail), and
// "texts", its bytes, read only to open it, so that the list costs what
// its lines cost, whatever the maps weigh.
import { $, count, unique } from "./page.js";
import { CAPACITY } from "./conversion.js";
import { layout, map, nameBy, newEntry, on, receive, rekey, replace, unsaved } from "./document.js";
import { difference } from "./edits.js";
import { pool } from "./pooling.js";
import { FIRST, hold, shownBefore, tellTabs, tookIn, versionOf } from "./tabs.js";
import { keyed } from "./keys.js";

const DELAY = 50;  // ms from a step to its keeping: a burst of steps is kept once
const THUMB = 48;   // a thumbnail's side, in pixels at most
let db = null;      // the page's storage, null where it has none
let timer = 0;
let lost = false;   // the map as it is now could not be kept
let back = false;   // the line says a map was brought back
let stepped = 0;    // when the step now waiting to be kept was made
let refusal = null; // the map the storage refused last, and why
let saving = "";    // what keeps a map that this browser does not: Save map, and its key
const KEPT = "gridpin-kept";  // the map kept last, in the local storage
// The name of each map kept, by its entry: a map new to the keeping takes
// a name no other has (unique), and the Maps list lists no two alike.
const names = new Map();

// A name that no kept map but this entry's has.
export const freeName = (name, entry = null) =>
  unique(name, new Set([...names].filter(([e]) => e !== entry).map(([, n]) => n)));

// Where the keeping of the last step stands, for the page's test: due,
// writing, kept or failed; and how long it took.
const state = (s) => { document.body.dataset.keep = s; };

const request = (r) => new Promise((resolve, reject) => {
  r.onsuccess = () => resolve(r.result);
  r.onerror = () => reject(r.error);
});
const done = (t) => new Promise((resolve, reject) => {
  t.oncomplete = resolve;
  t.onabort = t.onerror = () => reject(t.error);
});
const stores = (mode) => db.transaction(["entries", "texts"], mode);

// Version 1 kept one map, under "last": it becomes the first entry.
function upgrade(open, old) {
  const d = open.result, t = open.transaction;
  const entries = d.createObjectStore("entries", { keyPath: "entry" });
  entries.createIndex("changed", "changed");
  const texts = d.createObjectStore("texts");
  if (old < 1) return;
  t.objectStore("maps").get("last").onsuccess = (e) => {
    const last = e.target.result;
    if (last?.bytes?.length) {
      const entry = `kept-${last.changed}`;
      entries.put({ entry, name: last.name, from: last.from, size: last.bytes.length, changed: last.changed, thumb: null });
      texts.put(last.bytes, entry);
    }
    d.deleteObjectStore("maps");
  };
}

// Opens the storage and gives the map changed last, or null; save: the
// save command as the page's notes name it.
export async function startKeeping(save) {
  saving = save;
  addEventListener("beforeunload", (e) => {
    keepNow();
    if ((!db || lost) && unsaved()) {
      e.preventDefault();
      e.returnValue = "";  // what WebKit asks for
    }
  });
  addEventListener("pagehide", keepNow);
  // Hidden, a tab may be closed, frozen or killed without another word;
  // shown again, it takes the map's newer version from another tab.
  document.addEventListener("visibilitychange", () => (document.hidden ? keepNow() : catchUp()));
  addEventListener("pageshow", (e) => e.persisted && catchUp());
  addEventListener("storage", (e) => {
    if (e.key !== KEPT) return;
    const { entry, name } = JSON.parse(e.newValue ?? "{}");
    if (name) names.set(entry, name);
    catchUp();
  });
  nameBy((name) => freeName(name));
  // Another map in place ends the line on the one brought back.
  on("step", ({ whole, keep = true }) => {
    if (whole && back) sayKept("");
    if (keep) keepSoon();
  });
  // A step of the map leaving, not yet kept, is kept before it goes.
  on("leaving", keepNow);
  try {
    const open = indexedDB.open("gridpin", 2);
    open.onupgradeneeded = (e) => upgrade(open, e.oldVersion);
    db = await request(open);
    // Another page deleting or upgrading the storage is not kept waiting.
    db.onversionchange = () => { db.close(); db = null; };
    // The names, read while the page opens: a map's name is needed only
    // once the user puts another in place.
    listKept().catch(() => {});
    const before = shownBefore(), own = before && await request(stores("readonly").objectStore("entries").get(before));
    if (own) return await readKept(own);
    const cursor = await request(stores("readonly").objectStore("entries").index("changed").openCursor(null, "prev"));
    return cursor ? await readKept(cursor.value) : null;
  } catch {
    db = null;
    sayKept(`This browser keeps nothing for this page, so a drawing is not kept between visits: ${saving} keeps it.`);
    return null;
  }
}

export const keeping = () => !!db;

function sayKept(text, broughtBack = false) {
  $("kept").textContent = text;
  back = broughtBack;
}

// A step was made, undone or redone: the map is kept soon after.
function keepSoon() {
  if (!db) return;
  if (!timer) {
    timer = setTimeout(check, DELAY);
    stepped = performance.now();
  }
  state("due");
}

// The map's cells, small: a pixel for each square of cells, pooled as the
// picture's are (pooling.js), in a rectangle: 2 marked, 1 blank, 0 none.
function thumbnail() {
  const { widest, rows, rowStart, cells } = layout(), k = Math.max(1, Math.ceil(Math.max(widest, rows) / THUMB));
  const pooled = pool({ rows, start: rowStart, cells, add: 1 }, k);
  const w = Math.ceil(widest / k), h = pooled.rows, out = new Uint8Array(w * h);
  for (let y = 0; y < h; y++) out.set(pooled.cells.subarray(pooled.start[y], pooled.start[y + 1]), y * w);
  return { w, h, cells: out };
}

const stored = (entry) => request(stores("readonly").objectStore("entries").get(entry)).catch(() => null);

// Before a step is kept, the version kept already: one this map did not
// take in, kept by another tab out of its hearing, is not written over.
// The step stays due meanwhile: a tab that goes now keeps it as it goes.
async function check() {
  const entry = map().entry, kept = await stored(entry);
  if (!timer) return;
  if (kept && entry === map().entry && !tookIn(kept.version)) beside();
  keepNow();
}

// The map, changed in another tab too, kept beside that tab's under a
// name of its own; this tab goes on with it.
function beside() {
  const was = map().name, dot = was.lastIndexOf("."), version = versionOf();
  rekey(newEntry(), dot > 0 ? `${was.slice(0, dot)} (from another tab)${was.slice(dot)}` : `${was} (from another tab)`);
  hold(map().entry, version);
  sayKept(`${was} was changed in another tab as well: this tab's version is kept beside it, as ${map().name}.`);
}

// The map kept now, in a transaction committed at once.
function keepNow() {
  if (!timer || !db) return;
  clearTimeout(timer);
  timer = 0;
  const name = map().name;
  if (map().bytes.length > CAPACITY) {
    lost = true;
    refusal = { name, why: `it holds more than ${CAPACITY.toLocaleString("en")} bytes` };
    state("failed");
    sayKept(`${name} holds more than ${CAPACITY.toLocaleString("en")} bytes, so it is not kept in this browser.`);
    return;
  }
  const started = performance.now(), from = stepped;
  const entry = { entry: map().entry, name, from: map().from, size: map().bytes.length, changed: Date.now(), thumb: thumbnail(),
    version: versionOf() };
  try {
    const t = stores("readwrite");
    t.objectStore("texts").put(map().bytes.slice(), entry.entry);
    t.objectStore("entries").put(entry);
    t.commit?.();
    names.set(entry.entry, name);
    state("writing");
    done(t).then(() => {
      if (lost) sayKept("");
      lost = false;
      refusal = null;
      // Told to the other tabs, for a step too large to tell them itself.
      try {
        tellTabs(KEPT, JSON.stringify({ entry: entry.entry, version: entry.version, name }));
      } catch { /* they take it in when shown again */ }
      Object.assign(document.body.dataset, { keptMs: performance.now() - from, keepMs: performance.now() - started });
      // A map that left kept; the one in its place may be due still.
      if (!timer) state("kept");
    }, (e) => fail(e, name));
  } catch (e) {
    fail(e, name);
  }
}

function fail(e, name) {
  lost = true;
  state("failed");
  const why = e?.name === "QuotaExceededError" ? "its storage is full" : e?.message || e?.name || "its storage refused it";
  refusal = { name, why };
  sayKept(`${name} could not be kept in this browser (${why}): ${saving} keeps it.`);
}

// The map the browser refused to keep last, while it is not kept, and why.
export const refused = () => (lost ? refusal : null);

// Shown again after another tab changed its map: the version kept is
// made here as one step, unless this tab has a step of its own not yet
// kept, which is then kept beside it.
async function catchUp() {
  if (!db) return;
  const entry = map().entry, kept = await stored(entry);
  if (!kept?.version || entry !== map().entry || tookIn(kept.version) || timer || lost) return;
  const read = await readKept(kept);
  if (!read || entry !== map().entry || timer || tookIn(read.version)) return;
  hold(entry, read.version);
  receive([difference(map().bytes, read.bytes)], { name: read.name, from: read.from });
}

// Every kept map but its bytes, the one changed last first.
export async function listKept() {
  const all = await request(stores("readonly").objectStore("entries").getAll());
  for (const e of all) names.set(e.entry, e.name);
  return all.sort((a, b) => b.changed - a.changed);
}

// A kept map with its bytes.
export async function readKept(entry) {
  const bytes = await request(stores("readonly").objectStore("texts").get(entry.entry));
  return bytes ? { ...entry, bytes } : null;
}

export async function renameKept(entry, name) {
  const t = stores("readwrite");
  t.objectStore("entries").put({ ...entry, name });
  await done(t);
  names.set(entry.entry, name);
}

// Deleted. The map shown, if it is that one, stays in the page, and is
// no longer kept until it changes.
export async function deleteKept(entry) {
  const t = stores("readwrite");
  t.objectStore("entries").delete(entry.entry);
  t.objectStore("texts").delete(entry.entry);
  await done(t);
  names.delete(entry.entry);
  if (entry.entry === map().entry) lost = true;
}

// Shows a kept map, as it is kept already; undo brings back the map shown
// before. When the page opens with it, the history starts with it and a
// line says what it is.
export function restore(kept, { opening = false } = {}) {
  if (!kept || kept.bytes.length === 0) return;
  hold(kept.entry, kept.version ?? FIRST);
  replace(kept.bytes, kept.name, kept.from, { keep: false, entry: kept.entry, first: opening });
  // Kept before its small picture was: it gets one now.
  if (!kept.thumb) keepSoon();
  if (!opening) return;
  const when = new Date(kept.changed).toLocaleString("en", { dateStyle: "long", timeStyle: "short" });
  sayKept(`Brought back from this browser: ${kept.name}, ${count(kept.bytes.length, "byte")}, last changed ${when}. ` +
    keyed("New map or Open… ({open}) starts another; Maps… ({maps}) lists every map kept."), true);
}
