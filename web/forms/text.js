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

// The points of a listing's lines after its header, each "[x,y]\n",
// written as open x comma y close, with sep between two points.
// Each byte is written by hand: a copy of a few bytes costs more.
export function points(body, open, comma, close, sep) {
  const [o, c, e, s] = [open, comma, close, sep].map((t) => encoder.encode(t));
  let count = 0;
  for (let i = body.indexOf(0x5b); i >= 0; i = body.indexOf(0x5b, i + 6)) count++;
  const out = new Uint8Array(body.length + count * (o.length + c.length + e.length + s.length));
  let n = 0;
  for (let i = 0; i < body.length; i++) {
    const b = body[i];
    if (b === 0x5b) {
      if (n) for (let k = 0; k < s.length; k++) out[n++] = s[k];
      for (let k = 0; k < o.length; k++) out[n++] = o[k];
    } else if (b === 0x2c) for (let k = 0; k < c.length; k++) out[n++] = c[k];
    else if (b === 0x5d) for (let k = 0; k < e.length; k++) out[n++] = e[k];
    else if (b !== 10) out[n++] = b;
  }
  return out.subarray(0, n);
}

// A character as a message shows it: a control character by its name,
// anything else that shows nothing by its code, the rest between quotes.
const CONTROLS = { 0: "NUL", 9: "a tab", 10: "a line feed", 11: "a vertical tab", 12: "a form feed", 13: "a carriage return",
  27: "ESC", 127: "DEL", 0xa0: "a no-break space", 0xfeff: "a byte order mark", 0xfffd: "a byte that is no UTF-8" };
export function shown(c) {
  const code = c.codePointAt(0), hex = `U+${code.toString(16).toUpperCase().padStart(4, "0")}`;
  if (CONTROLS[code]) return `${CONTROLS[code]} (${hex})`;
  return code < 0x20 || (code >= 0x80 && code < 0xa0) || /\p{Z}|\p{Cf}/u.test(c) ? hex : `“${c}”`;
}
