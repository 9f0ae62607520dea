// What needs no page: counts in words, the text codecs, bytes joined, a
// file name's stem and extension, names made unique, and compressed data
// read no further than it may go.
export const encoder = new TextEncoder();
export const decoder = new TextDecoder();  // shows a byte that is no UTF-8 as one U+FFFD
// A whole number as English writes it, its digits in threes by commas, as
// toLocaleString("en") does, without the locale data, whose first use costs
// a phone a quarter of a second: the page's first screen counts.
export const grouped = (n) => Number.isSafeInteger(n) && !Object.is(n, -0) ? String(n).replace(/\B(?=(\d{3})+$)/g, ",") : n.toLocaleString("en");
export const count = (n, what) => `${grouped(n)} ${what}${n === 1 ? "" : "s"}`;

// Bytes and texts (as UTF-8) one after the other, as one array.
export function join(...parts) {
  const bytes = parts.map((p) => typeof p === "string" ? encoder.encode(p) : p);
  const out = new Uint8Array(bytes.reduce((n, b) => n + b.length, 0));
  bytes.reduce((at, b) => (out.set(b, at), at + b.length), 0);
  return out;
}

// A file name without its extension: room.map gives room.
export const stem = (name) => name.replace(/(.)\.[^.]*$/, "$1");

// A file name's extension, ".map", or "" where it has none (a dot that
// starts the name, or is followed by a space, starts none).
export const extension = (name) => name.match(/.(\.[^.\s]+)$/)?.[1] ?? "";

// The name typed, with this extension where it has none of its own.
export const withExtension = (name, ext) => extension(name) ? name : `${name}${ext}`;

// The name, or where it is taken the first of "NAME (2).EXT", "NAME
// (3).EXT"… that is not; a name that is such a copy's counts on from its
// NAME.
export function unique(name, taken) {
  if (!taken.has(name)) return name;
  const ext = extension(name), base = name.slice(0, name.length - ext.length).replace(/ \(\d+\)$/, "");
  for (let n = 2; ; n++) if (!taken.has(`${base} (${n})${ext}`)) return `${base} (${n})${ext}`;
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
