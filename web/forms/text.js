// What the text forms share: their bytes as text, a refusal on a line
// (and a column, where one is known), and the listing's points written
// in a form's own brackets.
import { decoder, encoder } from "../bytes.js";

export class Refusal {
  constructor(line, reason, column = 0) { Object.assign(this, { line, reason, column }); }
}
export const refuse = (line, reason, column = 0) => { throw new Refusal(line, reason, column); };

// The text of the bytes, without a byte order mark.
export const textOf = (bytes) => decoder.decode(bytes).replace(/^\ufeff/, "");
// Enough of the first bytes to tell a form by, as text.
export const headOf = (bytes) => textOf(bytes.subarray(0, 4096));

// A listing's point lines, "[x,y]\n" each, of the points (xs[i], ys[i]),
// whole numbers, 0 or more: the bytes written at once, without a string a point.
export function pointLines(xs, ys, count = xs.length) {
  let out = new Uint8Array(16 * count + 16), n = 0;
  const put = (v) => {
    if (v >= 1e9) {
      for (const d of Number.isSafeInteger(v) ? String(v) : BigInt(v).toString()) out[n++] = d.charCodeAt(0);
      return;
    }
    let len = 1;
    for (let p = 10; p <= v; p *= 10) len++;
    for (let i = n + len - 1, u = v; i >= n; i--, u = (u / 10) | 0) out[i] = 48 + u % 10;
    n += len;
  };
  for (let i = 0; i < count; i++) {
    if (n + 700 > out.length) {
      const more = new Uint8Array(2 * out.length + 700);
      more.set(out.subarray(0, n));
      out = more;
    }
    out[n++] = 0x5b;
    put(xs[i]);
    out[n++] = 0x2c;
    put(ys[i]);
    out[n++] = 0x5d;
    out[n++] = 10;
  }
  return out.subarray(0, n);
}

// The listing's point lines after its header, count of them, each
// "[x,y]\n", rewritten between head and tail, byte by byte. One plain loop
// a form: a page makes a form once, so its loop runs before the engine has
// optimised it, and a loop that asks less of each byte gets there sooner.
function around(head, size, tail) {
  const [h, t] = [head, tail].map((p) => encoder.encode(p)), out = new Uint8Array(h.length + size + t.length);
  out.set(h);
  out.set(t, h.length + size);
  return { out, n: h.length };
}
// JSON's points: "[x, y], [x, y]…".
export function jsonPoints(body, count, head, tail) {
  // Each point's line feed but the last becomes ", ", and its comma ", ".
  const end = Math.max(body.length - 1, 0), { out, n: start } = around(head, end + Math.max(2 * count - 1, 0), tail);
  let n = start;
  for (let i = 0; i < end; i++) {
    const b = body[i];
    if (b === 0x2c || b === 10) {
      out[n++] = 0x2c;
      out[n++] = 0x20;
    } else out[n++] = b;
  }
  return out;
}
// CSV's lines: "x,y" and the line end, each.
export function csvLines(body, count, head, eol) {
  const cr = eol === "\r\n", { out, n: start } = around(head, body.length - (cr ? 1 : 2) * count, "");
  let n = start;
  for (let i = 0; i < body.length; i++) {
    const b = body[i];
    if (b === 10) {
      if (cr) out[n++] = 13;
      out[n++] = 10;
    } else if (b !== 0x5b && b !== 0x5d) out[n++] = b;
  }
  return out;
}

// The character that starts at byte `at`, as a message shows it: a byte
// order mark there is a character like any other.
const exact = new TextDecoder("utf-8", { ignoreBOM: true });
export const shownAt = (bytes, at) => shown(String.fromCodePoint(exact.decode(bytes.subarray(at, at + 4)).codePointAt(0)));

// A character as a message shows it: a control character by its name,
// anything else that shows nothing by its code, the rest between quotes.
const CONTROLS = { 0: "NUL", 9: "a tab", 10: "a line feed", 11: "a vertical tab", 12: "a form feed", 13: "a carriage return",
  27: "ESC", 127: "DEL", 0xa0: "a no-break space", 0xfeff: "a byte order mark", 0xfffd: "a byte that is no UTF-8" };
export function shown(c) {
  const code = c.codePointAt(0), hex = `U+${code.toString(16).toUpperCase().padStart(4, "0")}`;
  if (CONTROLS[code]) return `${CONTROLS[code]} (${hex})`;
  return code < 0x20 || (code >= 0x80 && code < 0xa0) || /\p{Z}|\p{Cf}/u.test(c) ? hex : `“${c}”`;
}
