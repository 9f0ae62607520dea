// What every part of the page uses: its elements by id, counts in words,
// the text codecs, bytes joined, saving bytes as a file, compressed data read no further
// than it may go, a small channel of events, and a stamp of each update for
// the page's test to wait on and time.
export const $ = (id) => document.getElementById(id);
export const encoder = new TextEncoder();
export const decoder = new TextDecoder();  // shows a byte that is no UTF-8 as one U+FFFD
export const mac = /^mac|^iP/i.test(navigator.userAgentData?.platform ?? navigator.platform);
export const count = (n, what) => `${n.toLocaleString("en")} ${what}${n === 1 ? "" : "s"}`;

// Bytes and texts (as UTF-8) one after the other, as one array.
export function join(...parts) {
  const bytes = parts.map((p) => typeof p === "string" ? encoder.encode(p) : p);
  const out = new Uint8Array(bytes.reduce((n, b) => n + b.length, 0));
  bytes.reduce((at, b) => (out.set(b, at), at + b.length), 0);
  return out;
}

// A file name without its extension: room.map gives room.
export const stem = (name) => name.replace(/(.)\.[^.]*$/, "$1");

// Hands the bytes to the browser's downloads as a file of this name.
export function save(bytes, name) {
  const url = URL.createObjectURL(new Blob([bytes], { type: "application/octet-stream" }));
  const a = document.createElement("a");
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// The first `limit` bytes that these parts inflate to (format "deflate"
// or "deflate-raw"), or all where fewer: reading stops there. The data is
// fed to the inflater `piece` bytes at a time and read between pieces: an
// engine inflates all that one piece holds before the reader sees any of
// it, and deflate's best is some 1,032 bytes out for a byte in, so a piece
// bounds what data inflating to far more costs. Throws where the data is
// damaged before that.
export async function inflate(parts, format, limit, piece = 65536) {
  const input = new Uint8Array(await new Blob(parts).arrayBuffer()), inflater = new DecompressionStream(format);
  const writer = inflater.writable.getWriter(), reader = inflater.readable.getReader();
  (async () => {
    for (let i = 0; i < input.length; i += piece) await writer.write(input.subarray(i, i + piece));
    await writer.close();
  })().catch(() => {});
  const out = new Uint8Array(limit);
  let n = 0;
  try {
    while (n < limit) {
      const { done, value } = await reader.read();
      if (done) break;
      out.set(value.subarray(0, limit - n), n);
      n += Math.min(value.length, limit - n);
    }
  } finally {
    reader.cancel().catch(() => {});
    writer.abort().catch(() => {});
  }
  return n === limit ? out : out.slice(0, n);
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
