// Tabs of one browser that show the same map draw on it together: each
// step made in one is told to the others (BroadcastChannel), which make it
// as a step of their own, within a frame or two. Undo in a tab takes back
// the last step that tab shows, whichever tab drew it, and that too is a
// step the others make: the tabs are one drawing in two windows, as one
// document in two windows of a desktop editor.
//
// Each kept map has a version: how many steps it has had, and the tab
// that made the last. A tab holds the version of its map and the newest
// version of it known to exist; where another tab's is newer than its own
// and it is not in step with it (two steps made at once, a tab that slept),
// the map is not kept over the newer one: keep.js keeps it beside it.
import { map, on, receive } from "./document.js";

export const TAB = `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 8)}`;
export const FIRST = { n: 0, by: "" };
const held = new Map();    // entry to the version this tab holds of it
const newest = new Map();  // entry to the newest version known of it
const later = (a, b) => a.n > b.n || (a.n === b.n && a.by > b.by);
const same = (a, b) => a.n === b.n && a.by === b.by;
const ENTRY = "gridpin-entry";  // the map this tab shows, in its own session storage
let channel = null;

export const versionOf = (entry = map.entry) => held.get(entry) ?? FIRST;
export function seen(entry, version) {
  if (!newest.has(entry) || later(version, newest.get(entry))) newest.set(entry, version);
}
export function hold(entry, version) {
  held.set(entry, version);
  seen(entry, version);
}
// Another tab has a newer version of the map than this one holds.
export const behind = (entry = map.entry) => later(newest.get(entry) ?? FIRST, versionOf(entry));

// The map this tab showed last, kept across its reloads, or null.
export function shownBefore() {
  try {
    return sessionStorage.getItem(ENTRY);
  } catch {
    return null;
  }
}

export function startTabs() {
  on("step", ({ whole, edits, from }) => {
    try {
      sessionStorage.setItem(ENTRY, map.entry);
    } catch { /* a tab with no session storage opens the map changed last */ }
    if (whole || from) return;
    const base = versionOf(), version = { n: base.n + 1, by: TAB };
    hold(map.entry, version);
    channel?.postMessage({ entry: map.entry, base, version, edits, props: { name: map.name, from: map.from, cut: map.cut } });
  });
  if (typeof BroadcastChannel !== "function") return;
  channel = new BroadcastChannel("gridpin");
  channel.onmessage = ({ data }) => {
    if (!data?.version) return;
    seen(data.entry, data.version);
    if (data.entry !== map.entry || !same(data.base, versionOf())) return;
    hold(data.entry, data.version);
    receive(data.edits, data.props);
  };
}
