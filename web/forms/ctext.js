// The C text of a bitmap header, as the page writes it and as people keep
// it (Adafruit GFX's and u8g2's examples, image2cpp's output, X11's XBM):
// comments anywhere, preprocessor lines (an include guard, includes,
// PROGMEM's definition), the size as #define NAME_WIDTH and NAME_HEIGHT
// (or NAME_width, NAME_height), and one array of bytes, decimal or
// hexadecimal in either case, of a byte type, const, static or PROGMEM.
import { count } from "../bytes.js";
import { Refusal, refuse, shown, textOf } from "./text.js";
import { taken } from "./names.js";

const isWord = (c) => (c >= 48 && c <= 57) || ((c | 32) >= 97 && (c | 32) <= 122) || c === 95;
const isHex = (c) => (c >= 48 && c <= 57) || ((c | 32) >= 97 && (c | 32) <= 102);

// The value of the number text[from..to) where it is a byte, or -1.
function byteAt(text, from, to) {
  let v = 0;
  if (to - from > 2 && text.charCodeAt(from) === 48 && (text.charCodeAt(from + 1) | 32) === 120) {
    if (to - from > 4) return -1;
    for (let i = from + 2; i < to; i++) {
      const c = text.charCodeAt(i);
      if (!isHex(c)) return -1;
      v = 16 * v + (c <= 57 ? c - 48 : (c | 32) - 87);
    }
    return v;
  }
  if (to - from > 3 || (to - from > 1 && text.charCodeAt(from) === 48)) return -1;
  for (let i = from; i < to; i++) {
    const c = text.charCodeAt(i);
    if (c < 48 || c > 57) return -1;
    v = 10 * v + c - 48;
  }
  return v > 255 ? -1 : v;
}

// An array's bytes from `at`, just after its "{", read at once, without a
// token each: { values, at, line, start } at its "}", where it holds only
// bytes, a comma after each but perhaps the last, and spaces and comments
// between; else null, and the tokens tell what stands there.
function list(text, at, line, start, notes) {
  const values = new Uint8Array(((text.length - at) >> 1) + 1);
  let n = 0;
  const skip = () => {
    for (;;) {
      const c = text.charCodeAt(at);
      if (c === 10) {
        line++;
        start = ++at;
      } else if (c === 32 || c === 13 || c === 9 || c === 12 || c === 11) at++;
      else if (c !== 47) return true;
      else if (text.charCodeAt(at + 1) === 42) {
        const end = text.indexOf("*/", at + 2);
        if (end < 0) return false;
        notes.push(text.slice(at + 2, end));
        for (let i = text.indexOf("\n", at); i >= 0 && i < end; i = text.indexOf("\n", i + 1)) { line++; start = i + 1; }
        at = end + 2;
      } else if (text.charCodeAt(at + 1) === 47) {
        const end = text.indexOf("\n", at);
        if (end < 0) return false;
        notes.push(text.slice(at + 2, end));
        at = end;
      } else return true;
    }
  };
  for (;;) {
    if (!skip()) return null;
    if (text.charCodeAt(at) === 125) break;
    const from = at;
    while (isWord(text.charCodeAt(at))) at++;
    const v = byteAt(text, from, at);
    if (v < 0 || !skip()) return null;
    values[n++] = v;
    if (text.charCodeAt(at) === 125) break;
    if (text.charCodeAt(at++) !== 44) return null;
  }
  return { values: values.subarray(0, n), at, line, start };
}

// The text as tokens { t: kind, v: text, line, column }: words, numbers,
// punctuation and whole preprocessor lines; comments' text apart. Where
// `fast`, an array's list of bytes is one token "bytes", its values.
function tokens(text, fast) {
  const out = [], notes = [];
  let at = 0, line = 1, start = 0, bol = true;
  const here = () => ({ line, column: at - start + 1 });
  while (at < text.length) {
    const c = text[at];
    if (c === "\n") {
      at++;
      line++;
      start = at;
      bol = true;
      continue;
    }
    if (c === " " || c === "\t" || c === "\r" || c === "\f" || c === "\v") { at++; continue; }
    const pos = here();
    if (text.startsWith("/*", at)) {
      const end = text.indexOf("*/", at + 2);
      if (end < 0) refuse(pos.line, "a comment “/*” never ends", pos.column);
      notes.push(text.slice(at + 2, end));
      for (let i = text.indexOf("\n", at); i >= 0 && i < end; i = text.indexOf("\n", i + 1)) { line++; start = i + 1; }
      at = end + 2;
      continue;
    }
    if (text.startsWith("//", at)) {
      const end = text.indexOf("\n", at);
      notes.push(text.slice(at + 2, end < 0 ? text.length : end));
      at = end < 0 ? text.length : end;
      continue;
    }
    if (c === "#" && bol) {
      const end = text.indexOf("\n", at), l = text.slice(at, end < 0 ? text.length : end);
      out.push({ t: "#", v: l.replace(/\/\*.*?\*\/|\/\/.*$/g, " ").replace(/\s+/g, " ").trim(), ...pos });
      at = end < 0 ? text.length : end;
      continue;
    }
    bol = false;
    const m = /[A-Za-z_][A-Za-z0-9_]*|[0-9][A-Za-z0-9]*|[[\]{}=;,]/y;
    m.lastIndex = at;
    const w = m.exec(text);
    if (!w) refuse(pos.line, `${shown(String.fromCodePoint(text.codePointAt(at)))} stands where C is expected`, pos.column);
    out.push({ t: /^[A-Za-z_]/.test(w[0]) ? "w" : /^[0-9]/.test(w[0]) ? "n" : w[0], v: w[0], ...pos });
    at += w[0].length;
    const got = fast && w[0] === "{" && list(text, at, line, start, notes);
    if (got) {
      out.push({ t: "bytes", v: "", values: got.values, ...pos });
      ({ at, line, start } = got);
    }
  }
  return { out, notes };
}

const TYPES = new Set(["static", "const", "unsigned", "char", "uint8_t", "PROGMEM"]);

// The bitmap the C text declares, its size and bytes: { name, w, h, bytes, notes, size, end },
// size the token of its width, end that of the array's closing brace,
// each with its line and column.
// Read at once, then, only to say where one is refused, token by token.
export function declared(bytes) {
  const text = textOf(bytes);
  try {
    return parse(tokens(text, true));
  } catch (e) {
    if (!(e instanceof Refusal)) throw e;
    return parse(tokens(text, false));
  }
}

function parse({ out, notes }) {
  const dims = {};
  let i = 0;
  const next = () => out[i++];
  const expect = (kind, what) => {
    const k = out[i];
    if (k?.t !== kind) refuse(k?.line ?? 0, `${what} expected${k ? `, but “${k.v}” stands there` : ", but the text ends"}`, k?.column);
    i++;
    return k;
  };
  for (; i < out.length && out[i].t === "#"; i++) {
    const d = /^# ?define ([A-Za-z_]\w*)_(WIDTH|HEIGHT|width|height) (\S+)$/.exec(out[i].v);
    if (!d) continue;
    const key = d[2].toLowerCase();
    if (!/^[1-9][0-9]{0,6}$/.test(d[3])) refuse(out[i].line, `the ${key} is not a whole number from 1 to 9,999,999`);
    if (dims[key]) refuse(out[i].line, `a second ${key}, ${d[1]}_${d[2]}`);
    dims[key] = { name: d[1], v: +d[3], k: out[i] };
  }
  if (i >= out.length) refuse(0, "there is no array of bytes");
  const words = [];
  while (out[i]?.t === "w" && out[i + 1]?.t !== "[") words.push(next());
  for (const k of words) if (!TYPES.has(k.v)) refuse(k.line, `“${k.v}” is not a byte array's type (unsigned char or uint8_t)`, k.column);
  const name = expect("w", "the array's name");
  if (taken(name.v)) refuse(name.line, `“${name.v}” is taken by C or C++: it names no map`, name.column);
  if (!words.some((k) => k.v === "char" || k.v === "uint8_t")) refuse(name.line, "the array is not of bytes (unsigned char or uint8_t)", name.column);
  expect("[", "“[”");
  if (out[i]?.t === "n") i++;
  expect("]", "“]”");
  if (out[i]?.v === "PROGMEM") i++;
  expect("=", "“=”");
  expect("{", "“{”");
  let values = [];
  if (out[i]?.t === "bytes") values = out[i++].values;
  else while (out[i]?.t === "n") {
    const k = next(), v = /^0[xX][0-9a-fA-F]{1,2}$|^(0|[1-9][0-9]{0,2})$/.test(k.v) ? Number(k.v) : 256;
    if (v > 255) refuse(k.line, `${k.v} is not a byte: 0 to 255, or 0x00 to 0xff`, k.column);
    values.push(v);
    if (out[i]?.t !== ",") break;
    i++;
  }
  const end = expect("}", values.length ? "“,” or “}”" : "a byte or “}”");
  expect(";", "“;”");
  for (; i < out.length; i++) if (out[i].t !== "#") refuse(out[i].line, "there is more after the array's end", out[i].column);
  for (const key of ["width", "height"]) {
    if (!dims[key]) refuse(name.line, `there is no #define NAME_${key.toUpperCase()} before the array`);
  }
  if (dims.width.name !== dims.height.name) refuse(dims.height.k.line, `the height is ${dims.height.name}'s, the width ${dims.width.name}'s`);
  return { name: name.v, w: dims.width.v, h: dims.height.v, lower: dims.width.k.v.includes("_width"), bytes: Uint8Array.from(values),
    notes, size: dims.width.k, end };
}

// The number of bytes that size takes: that of the header's array.
export function checkCount({ bytes, end }, want) {
  if (bytes.length !== want) refuse(end.line, `the array holds ${count(bytes.length, "byte")}; the size takes ${want.toLocaleString("en")}`, end.column);
}
