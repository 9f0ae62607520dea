// JSON, one line: {"width": W, "height": H, "points": [[x, y], ...]}, the
// listing's width, height and points, in its order. Read back by the
// browser's own parser: any JSON whose object has these three keys, its
// numbers whole (3.0 and 3e0 are 3), other keys ignored. Where it refuses,
// the line (and the column) is found again in the text, only then.
import { headOf, jsonPoints, pointLines, refuse, shown, textOf } from "./text.js";

const KEYS = ["width", "height", "points"];
const ws = (c) => c === 0x20 || c === 0x09 || c === 0x0a || c === 0x0d;
const lineAt = (text, at) => {
  let line = 1;
  for (let i = text.indexOf("\n"); i !== -1 && i < at; i = text.indexOf("\n", i + 1)) line++;
  return line;
};
const found = (text, at) => at >= text.length ? "the text ends" : `${shown(String.fromCodePoint(text.codePointAt(at)))} stands there`;
const skip = (text, at) => { while (ws(text.charCodeAt(at))) at++; return at; };

// The end of the string that starts at `at`.
function stringEnd(text, at) {
  for (at++; at < text.length && text.charCodeAt(at) !== 0x22; at++) if (text.charCodeAt(at) === 0x5c) at++;
  return at + 1;
}

// An array of numbers or of arrays of numbers, such as the points, passed
// over at once.
const FLAT = /\[[^"[\]{}]*(?:\[[^"[\]{}]*\][^"[\]{}]*)*\]/y;

// Where the value that starts at `at` ends; on the way, the start of each
// of its own members (after its opening bracket and each comma of its
// own) to `each`, until that returns true and the walk stops there.
function walk(text, at, each = () => false) {
  let depth = 0, next = false;
  for (let i = at; i < text.length; i++) {
    const c = text.charCodeAt(i);
    if (ws(c)) continue;
    if (next && c !== 0x5d && c !== 0x7d && each(i)) return i;
    next = false;
    if (c === 0x22) i = stringEnd(text, i) - 1;
    else if (c === 0x5b && depth === 1 && (FLAT.lastIndex = i, FLAT.test(text))) i = FLAT.lastIndex - 1;
    else if (c === 0x5b || c === 0x7b) next = ++depth === 1;
    else if (c === 0x5d || c === 0x7d) depth--;
    else if (c === 0x2c) next = depth === 1;
    if (depth === 0) return i + 1;
  }
  return text.length;
}

// The object's own keys (an object's members start with their keys), in
// order, each with where it and its value start.
function keysOf(text) {
  const keys = [];
  walk(text, skip(text, 0), (at) => {
    const end = stringEnd(text, at);
    keys.push({ key: JSON.parse(text.slice(at, end)), at, value: skip(text, skip(text, end) + 1) });
    return false;
  });
  return keys;
}

// The parser's fault: more text after a whole object, or at the line and
// column the parser gives, its offset or the text's end; where it says
// none of these, that is said.
function syntax(text, error) {
  const start = skip(text, 0), end = text[start] === "{" ? walk(text, start) : 0;
  let whole = false;
  try {
    whole = end > 0 && !!JSON.parse(text.slice(0, end));
  } catch {
    // The object itself is at fault.
  }
  const after = skip(text, end);
  if (whole) refuse(lineAt(text, after), `the object has ended, but ${found(text, after)}`);
  const said = error.message, lc = /line (\d+) column (\d+)/.exec(said), offset = /position (\d+)/.exec(said);
  let at = -1;
  if (lc) at = text.split("\n").slice(0, lc[1] - 1).reduce((n, l) => n + l.length + 1, 0) + (lc[2] - 1);
  else if (offset) at = +offset[1];
  else if (/end of (JSON )?(input|data)|EOF/i.test(said)) at = text.length;
  if (at < 0) refuse(0, "it is not JSON (this browser does not say where)");
  refuse(lineAt(text, at), `it is not JSON: ${found(text, at)}`, at - text.lastIndexOf("\n", at - 1));
}

const whole = (v) => typeof v === "number" && Number.isInteger(v) && v >= 0;
const digits = (v) => Number.isSafeInteger(v) ? String(v) : BigInt(v).toString();

// The page's own form, "width", "height" and "points" in its order and
// whole numbers written plainly, read byte by byte, as the browser's
// parser would read it but many times sooner on a million points: the
// listing's size and its point lines, each written as it is read, or
// null for anything else, which the browser's parser then reads. The
// lines of a refusal come from that reading too, made only when asked
// for. The points' loop calls nothing: it runs once a file, mostly before
// the engine has optimised it.
const SPACE = new Uint8Array(256);
for (const c of [0x20, 0x0a, 0x0d, 0x09]) SPACE[c] = 1;
function own(bytes) {
  const n = bytes.length;
  let at = bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf ? 3 : 0;
  const is = (s) => {
    while (SPACE[bytes[at]]) at++;
    for (let i = 0; i < s.length; i++) if (bytes[at + i] !== s.charCodeAt(i)) return false;
    at += s.length;
    return true;
  };
  // Up to 15 digits, exact in a double, and no leading zero; or -1.
  const number = () => {
    while (SPACE[bytes[at]]) at++;
    const from = at;
    let v = 0;
    while (bytes[at] >= 0x30 && bytes[at] <= 0x39 && at - from < 16) v = 10 * v + bytes[at++] - 0x30;
    return at === from || at - from > 15 || (at - from > 1 && bytes[from] === 0x30) ? -1 : v;
  };
  if (!is("{") || !is("\"width\"") || !is(":")) return null;
  const w = number();
  if (w < 0 || !is(",") || !is("\"height\"") || !is(":")) return null;
  const h = number();
  if (h < 0 || !is(",") || !is("\"points\"") || !is(":") || !is("[")) return null;
  // A point takes 5 bytes or more with its comma, and its line 1 more.
  const body = new Uint8Array(n + Math.ceil(n / 5) + 8);
  let m = 0;
  if (!is("]")) {
    for (;;) {
      while (SPACE[bytes[at]]) at++;
      if (bytes[at++] !== 0x5b) return null;
      body[m++] = 0x5b;
      for (let k = 0; k < 2; k++) {
        while (SPACE[bytes[at]]) at++;
        const from = at;
        while (bytes[at] >= 0x30 && bytes[at] <= 0x39 && at - from < 16) body[m++] = bytes[at++];
        if (at === from || at - from > 15 || (at - from > 1 && bytes[from] === 0x30)) return null;
        while (SPACE[bytes[at]]) at++;
        const end = k ? 0x5d : 0x2c;
        if (bytes[at++] !== end) return null;
        body[m++] = end;
      }
      body[m++] = 0x0a;
      while (SPACE[bytes[at]]) at++;
      if (bytes[at] !== 0x2c) break;
      at++;
    }
    if (!is("]")) return null;
  }
  if (!is("}")) return null;
  while (SPACE[bytes[at]]) at++;
  return at === n ? { w: String(w), h: String(h), body: body.subarray(0, m), line: (k) => parsed(bytes).listing.line(k) } : null;
}

function read(bytes) {
  const fast = own(bytes);
  return fast ? { listing: fast } : parsed(bytes);
}

function parsed(bytes) {
  const text = textOf(bytes);
  let data;
  try {
    data = JSON.parse(text);
  } catch (e) {
    if (!(e instanceof SyntaxError)) throw e;
    syntax(text, e);
  }
  if (data === null || typeof data !== "object" || Array.isArray(data)) {
    const at = skip(text, 0);
    refuse(lineAt(text, at), `“{” expected, but ${found(text, at)}`);
  }
  const keys = keysOf(text), seen = new Set(), value = {};
  for (const { key, at, value: v } of keys) {
    if (!KEYS.includes(key)) continue;
    if (seen.has(key)) refuse(lineAt(text, at), `"${key}" comes twice`);
    seen.add(key);
    value[key] = v;
  }
  for (const key of KEYS) if (!seen.has(key)) refuse(0, `there is no "${key}"`);
  for (const key of ["width", "height"]) if (!whole(data[key])) refuse(lineAt(text, value[key]), `${key} is not a whole number, 0 or more`);
  // Where the i-th point starts, found only for a refusal.
  const pointAt = (i) => {
    let n = -1;
    return walk(text, value.points, () => ++n === i);
  };
  if (!Array.isArray(data.points)) refuse(lineAt(text, value.points), `“[” expected, but ${found(text, value.points)}`);
  const count = data.points.length, xs = new Float64Array(count), ys = new Float64Array(count);
  data.points.forEach((p, i) => {
    if (Array.isArray(p) && p.length === 2 && whole(p[0]) && whole(p[1])) {
      xs[i] = p[0];
      ys[i] = p[1];
      return;
    }
    const at = pointAt(i), line = lineAt(text, at);
    if (!Array.isArray(p)) refuse(line, `“[” expected, but ${found(text, at)}`);
    if (p.length !== 2) refuse(line, "a point is not [x, y], two numbers");
    refuse(line, `${whole(p[0]) ? "y" : "x"} is not a whole number, 0 or more`);
  });
  // The listing's line n: its header line the width's, a point's its own.
  const line = (n) => lineAt(text, n === 1 ? value.width : pointAt(n - 2));
  return { listing: { w: digits(data.width), h: digits(data.height), body: pointLines(xs, ys), line } };
}

export default {
  name: "json", title: "JSON", label: "JSON of the listing", ext: ".json", type: "application/json", text: true,
  from: "a JSON file",
  sniff: (bytes) => /^\s*\{/.test(headOf(bytes)),
  write: ({ wid, hgt, body, points, eol }) => jsonPoints(body, points, `{"width": ${wid}, "height": ${hgt}, "points": [`,
    `]}${eol}`),
  read,
};
