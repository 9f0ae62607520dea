// Tabs of one browser that show the same map draw on it together: each
// step made in one is told to the others, which make it as a step of their
// own, within a frame or two. It is told twice: by a BroadcastChannel, and
// through the page's local storage, whose change every other tab is told
// of (WebKit delivers no channel's message to a page opened from disk, and
// there, once a tab has loaded a page twice, no storage event either: so a
// tab shown also looks at the local storage every 100 ms); a step is taken
// in once, the second telling finds it made. A step too large for the
// local storage is taken in from the map kept (keep.js). Undo in a tab takes back
// the last step that tab shows, whichever tab drew it, and that too is a
// step the others make: the tabs are one drawing in two windows, as one
// document in two windows of a desktop editor, where undo takes back what
// was done last in it.
//
// Each map has a version: how many steps it has had, and the tab that made
// the last. A tab holds the version of the map it shows and every version
// that map took in (its own steps, those told, the one it came from); a
// step told out of turn, made on a version the tab does not hold (two
// made at once), is not taken in. keep.js keeps a map over a kept version
// only where the map took that version in, and beside it otherwise.
import { map, on, receive } from "./document.js";

export const TAB = `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 8)}`;
export const FIRST = { n: 0, by: "" };
const key = (v) => `${v.n}:${v.by}`;
const held = new Map();   // entry to the version this tab shows of it
const taken = new Map();  // entry to the keys of the versions it took in
const ENTRY = "gridpin-entry";  // the map this tab shows, in its own session storage
const STEP = "gridpin-step";    // the step made last, in the local storage
const TOLD = 65536;             // the largest step told through it, in bytes of edits
const WATCHED = [STEP, "gridpin-kept"];  // the keys that tell of other tabs' steps
let channel = null;

// A step's edits as text and back, their arrays in base64.
const base64 = (a) => {
  const b = new Uint8Array(a.buffer, a.byteOffset, a.byteLength);
  let s = "";
  for (let i = 0; i < b.length; i += 8192) s += String.fromCharCode(...b.subarray(i, i + 8192));
  return btoa(s);
};
const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
const toText = (edits) => JSON.stringify(edits.map((e) => e.toggles ? { toggles: base64(e.toggles) }
  : { at: e.at, removed: base64(e.removed), inserted: base64(e.inserted) }));
const fromText = (text) => JSON.parse(text).map((e) => e.toggles ? { toggles: new Uint32Array(bytes(e.toggles).buffer) }
  : { at: e.at, removed: bytes(e.removed), inserted: bytes(e.inserted) });

export const versionOf = (entry = map().entry) => held.get(entry) ?? FIRST;
export function hold(entry, version) {
  held.set(entry, version);
  if (!taken.has(entry)) taken.set(entry, new Set([key(FIRST)]));
  taken.get(entry).add(key(version));
}
// Whether the map as this tab shows it took this version in.
export const tookIn = (version, entry = map().entry) => (taken.get(entry) ?? new Set([key(FIRST)])).has(key(version ?? FIRST));

// The map this tab showed last, kept across its reloads, or null.
export function shownBefore() {
  try {
    return sessionStorage.getItem(ENTRY);
  } catch {
    return null;
  }
}

const seen = {};  // the watched keys' values as this tab last saw them

// A value told to the other tabs through the local storage, which this
// tab's own look at it does not take for another's.
export function tellTabs(key, value) {
  localStorage.setItem(key, seen[key] = value);
}

export function startTabs() {
  on("step", ({ whole, edits, from }) => {
    try {
      sessionStorage.setItem(ENTRY, map().entry);
    } catch { /* a tab with no session storage opens the map changed last */ }
    if (whole || from) return;
    const base = versionOf(), version = { n: base.n + 1, by: TAB };
    hold(map().entry, version);
    const step = { entry: map().entry, base, version, props: { name: map().name, from: map().from, cut: map().cut } };
    channel?.postMessage({ ...step, edits });
    try {
      if (edits.reduce((n, e) => n + (e.toggles ? 4 * e.toggles.length : e.removed.length + e.inserted.length), 0) <= TOLD) {
        tellTabs(STEP, JSON.stringify({ ...step, edits: toText(edits) }));
      }
    } catch { /* told by the channel alone */ }
  });
  const take = (step, edits) => {
    if (!step?.version || step.entry !== map().entry || key(step.base) !== key(versionOf())) return;
    hold(step.entry, step.version);
    receive(edits(), step.props);
  };
  addEventListener("storage", (e) => {
    if (e.key in seen) seen[e.key] = e.newValue;
    if (e.key !== STEP || !e.newValue) return;
    const step = JSON.parse(e.newValue);
    take(step, () => fromText(step.edits));
  });
  // The changes no event told of, as events.
  const look = () => {
    for (const k of WATCHED) {
      const now = localStorage.getItem(k);
      if (now !== seen[k]) dispatchEvent(new StorageEvent("storage", { key: k, newValue: now }));
    }
  };
  try {
    for (const k of WATCHED) seen[k] = localStorage.getItem(k);
    setInterval(() => document.hidden || look(), 100);
  } catch { /* no local storage: the channel alone */ }
  if (typeof BroadcastChannel !== "function") return;
  channel = new BroadcastChannel("gridpin");
  channel.onmessage = ({ data }) => take(data, () => data.edits);
}
