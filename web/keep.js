// Nothing drawn is lost with the tab: after each step of the history the
// map's bytes, its name and where it came from are kept in the browser's
// own storage for this page (IndexedDB), and when the page opens without a
// map in its link, the map kept last comes back. Where the browser keeps
// nothing for the page, it says so once, and then, only then, closing or
// reloading the tab with changes not yet saved asks first.
import { $, count } from "./page.js";
import { CAPACITY } from "./conversion.js";
import { map, on, replace, unsaved } from "./document.js";

const DELAY = 500;  // ms from a step to its keeping: a burst of steps is kept once
let db = null;      // the page's storage, null where it has none
let timer = 0;
let lost = false;   // the map as it is now could not be kept
let back = false;   // the line says a map was brought back

// Where the keeping of the last step stands, for the page's test: due,
// writing, kept or failed.
const state = (s) => { document.body.dataset.keep = s; };

const request = (r) => new Promise((resolve, reject) => {
  r.onsuccess = () => resolve(r.result);
  r.onerror = () => reject(r.error);
});

function store(mode) {
  return db.transaction("maps", mode).objectStore("maps");
}

// Opens the storage and gives the map kept last, or null.
export async function startKeeping() {
  addEventListener("beforeunload", (e) => {
    if ((!db || lost) && unsaved()) {
      e.preventDefault();
      e.returnValue = "";  // what WebKit asks for
    }
  });
  addEventListener("pagehide", keepNow);
  on("step", ({ whole, keep = true }) => keep && keepSoon(whole));
  try {
    const open = indexedDB.open("gridpin", 1);
    open.onupgradeneeded = () => open.result.createObjectStore("maps");
    db = await request(open);
    // Another page deleting or upgrading the storage is not kept waiting.
    db.onversionchange = () => { db.close(); db = null; };
    return await request(store("readonly").get("last")) ?? null;
  } catch {
    db = null;
    say("This browser keeps nothing for this page, so a drawing is not kept between visits: Save map keeps it.");
    return null;
  }
}

function say(text, broughtBack = false) {
  $("kept").textContent = text;
  back = broughtBack;
}

// A step was made, undone or redone: the map is kept soon after. Another
// map in its place ends the line on the one brought back.
function keepSoon(whole) {
  if (!db) return;
  if (whole && back) say("");
  if (!timer) timer = setTimeout(keepNow, DELAY);
  state("due");
}

function keepNow() {
  if (!timer || !db) return;
  clearTimeout(timer);
  timer = 0;
  if (map.bytes.length > CAPACITY) {
    lost = true;
    state("failed");
    say(`${map.name} holds more than ${CAPACITY.toLocaleString("en")} bytes, so it is not kept in this browser.`);
    return;
  }
  const kept = { bytes: map.bytes.slice(), name: map.name, from: map.from, changed: Date.now() };
  try {
    const put = store("readwrite").put(kept, "last");
    state("writing");
    put.transaction.oncomplete = () => {
      if (lost) say("");
      lost = false;
      state("kept");
    };
    put.transaction.onabort = put.transaction.onerror = () => fail(put.transaction.error);
  } catch (e) {
    fail(e);
  }
}

function fail(e) {
  lost = true;
  state("failed");
  say(`${map.name} could not be kept in this browser (${e?.name === "QuotaExceededError" ? "its storage is full"
    : e?.message || e?.name || "its storage refused it"}): Save map keeps it.`);
}

// Shows the kept map, with a line saying what it is, as it is kept
// already. The history starts with it.
export function restore(kept) {
  if (!kept || kept.bytes.length === 0) return;
  replace(kept.bytes, kept.name, kept.from, { keep: false, first: true });
  const when = new Date(kept.changed).toLocaleString("en", { dateStyle: "long", timeStyle: "short" });
  say(`Brought back from this browser: ${kept.name}, ${count(kept.bytes.length, "byte")}, last changed ${when}. ` +
    "New map or Open starts another.", true);
}
