// C, a header of packed bits for C, C++ and Arduino: an include guard, the
// size as NAME_WIDTH and NAME_HEIGHT, W the widest row's cells, and one
// array of the map's bits in the byte order chosen (bits.js), its names
// the map's name made a name both languages take (names.js). Read back
// in any order the page writes, told by the header's first comment, and
// as people keep such headers (ctext.js); rows in the most significant
// bit first where no comment says otherwise.
import { count, encoder } from "../bytes.js";
import { headOf, refuse } from "./text.js";
import { identifier } from "./names.js";
import { checkCount, declared } from "./ctext.js";
import { byteCount, packed, unpacked } from "./bits.js";
import { fitting } from "./fit.js";

export { identifier };
const DIGITS = encoder.encode("0123456789abcdef");

// The text before, the lines of bytes, each "0xhh, " but the last of a
// line "0xhh,", after `indent` spaces and before `eol`, and the text
// after: written at once into the bytes they take.
export function hexLines(before, lines, indent, eol, after) {
  const head = encoder.encode(before), tail = encoder.encode(after), end = encoder.encode(eol);
  const size = lines.reduce((n, l) => n + indent + 6 * l.length - 1 + end.length, 0);
  const out = new Uint8Array(head.length + size + tail.length);
  out.set(head);
  let at = head.length;
  for (const line of lines) {
    out.fill(32, at, at + indent);
    at += indent;
    for (let i = 0; i < line.length; i++) {
      const b = line[i];
      out[at] = 48;
      out[at + 1] = 120;
      out[at + 2] = DIGITS[b >> 4];
      out[at + 3] = DIGITS[b & 15];
      out[at + 4] = 44;
      out[at + 5] = 32;
      at += 6;
    }
    at--;
    out.set(end, at);
    at += end.length;
  }
  out.set(tail, at);
  return out;
}

// What the first comment says of each order: the reader tells it by this.
const SAYS = {
  msb: (w) => `each row in ${count(Math.ceil(w / 8), "byte")}, its leftmost cell in the most significant bit`,
  lsb: (w) => `each row in ${count(Math.ceil(w / 8), "byte")}, its leftmost cell in the least significant bit`,
  vertical: (w) => `vertical bytes: pages of 8 rows, each page ${count(w, "byte")}, a column a byte from the left, ` +
    "its top row in the least significant bit",
};
const ARDUINO = ["#include <stdint.h>", "#ifdef __AVR__", "#include <avr/pgmspace.h>", "#endif", "#ifndef PROGMEM",
  "#define PROGMEM", "#endif"];

function write(map) {
  const { name, w, h, eol, options: { flavour = "plain", order = "msb" } = {} } = map, id = identifier(name);
  const lines = [`/* ${id}: ${w} by ${h} cells, a bit a cell, 1 marked; ${SAYS[order](w)}. */`, `#ifndef ${id}_H`, `#define ${id}_H`,
    ...flavour === "arduino" ? ARDUINO : [], `#define ${id}_WIDTH ${w}`, `#define ${id}_HEIGHT ${h}`,
    flavour === "arduino" ? `const uint8_t ${id}[] PROGMEM = {` : `static const unsigned char ${id}[] = {`, ""];
  return hexLines(lines.join(eol), packed(map, order), 4, eol, ["};", "#endif", ""].join(eol));
}

// The map of a header, { w, h, cells }, in the order `order` or as its
// first comment says.
export function readBits(bytes, { capacity }, order) {
  const got = declared(bytes), { w, h, size } = got, says = got.notes[0] ?? "";
  order ??= /vertical bytes/.test(says) ? "vertical" : got.lower || /least significant/.test(says) ? "lsb" : "msb";
  checkCount(got, byteCount(w, h, order));
  const { cells, stray } = unpacked(got.bytes, w, h, order);
  if (stray >= 0) refuse(got.end.line, `byte ${stray} of the array has a bit set past the ${count(w, "cell")} by ${h}`, got.end.column);
  return { block: fitting({ w, h, cells }, capacity, size.line) };
}

export default {
  name: "c", title: "C", label: "C header, a bit a cell", ext: ".h", type: "text/x-c", text: true, cells: true,
  from: "a C header",
  options: [
    { name: "flavour", label: "for", choices: [["plain", "C and C++"], ["arduino", "Arduino (PROGMEM)"]] },
    { name: "order", label: "bytes", choices: [["msb", "rows, leftmost cell in the most significant bit"],
      ["lsb", "rows, leftmost cell in the least significant bit"], ["vertical", "vertical, 8 rows a byte, top row in bit 0"]] },
  ],
  // By its bytes, only a header that starts as the page writes one: a
  // comment, then its guard (or at once its width); another C header is no map of this form.
  sniff: (bytes) => /^\/\*[^\n]*\*\/\r?\n#(ifndef [A-Za-z_]\w*_H\r?\n|define [A-Za-z_]\w*_WIDTH [0-9])/.test(headOf(bytes)),
  write,
  read: (bytes, limits) => readBits(bytes, limits),
};
