// What every part of the page uses: its elements by id, saving bytes as a
// file, a small channel of events, and a stamp of each update for the
// page's test to wait on and time; and, from bytes.js, what needs no page.
export { count, decoder, encoder, extension, inflate, join, stem, unique, withExtension } from "./bytes.js";
export const $ = (id) => document.getElementById(id);
export const mac = /^mac|^iP/i.test(navigator.userAgentData?.platform ?? navigator.platform);

// Hands the bytes to the browser's downloads as a file of this name.
export function save(bytes, name, type = "application/octet-stream") {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const a = document.createElement("a");
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// Listeners by the kind of change they are told of, called in the order
// they subscribed.
export function channel() {
  const listeners = new Map();
  return {
    on(kind, fn) {
      if (!listeners.has(kind)) listeners.set(kind, []);
      listeners.get(kind).push(fn);
    },
    emit(kind, ...args) {
      for (const fn of listeners.get(kind) ?? []) fn(...args);
    },
  };
}

// When the change being made began: the time stamp of the event that set
// it going, caught on its way down to whatever handles it, or the moment a
// module names, such as a file's bytes read. Moves are not beginnings: a
// stroke is timed from its release.
let began = 0;
export const beginAt = (t = performance.now()) => { began = t; };
export function startClock() {
  // An engine that stamps events in epoch time is timed from the handler.
  const at = (e) => beginAt(e.timeStamp > 0 && e.timeStamp <= performance.now() ? e.timeStamp : performance.now());
  // A dialog's change begins when it closes, which is after the click that
  // closed it.
  for (const type of ["pointerdown", "pointerup", "pointercancel", "keydown", "click", "close", "input", "change", "drop",
    "copy", "cut", "paste", "hashchange"]) {
    addEventListener(type, at, { capture: true });
  }
}

// An update's number and how long it took from its beginning to the
// listing made and the picture drawn.
let runs = 0;
export function stamp(listed, drawn) {
  Object.assign(document.body.dataset, { run: ++runs, listingMs: listed - began, pictureMs: drawn - began });
}
