// What every part of the page uses: its elements by id, counts in words,
// the text codecs, saving bytes as a file, and a stamp of each update for
// the page's test to wait on and time.
export const $ = (id) => document.getElementById(id);
export const encoder = new TextEncoder();
export const decoder = new TextDecoder();  // shows a byte that is no UTF-8 as one U+FFFD
export const count = (n, what) => `${n.toLocaleString("en")} ${what}${n === 1 ? "" : "s"}`;

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

// An update's number and how long it took from the event that caused it
// (t0, from performance.now()) to the listing made and the picture drawn.
let runs = 0;
export function stamp(t0, listed, drawn) {
  Object.assign(document.body.dataset, { run: ++runs, listingMs: listed - t0, pictureMs: drawn - t0 });
}
