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
import { fits } from "./fit.js";

export { identifier };
export const HEX = Array.from({ length: 256 }, (_, b) => `0x${b.toString(16).padStart(2, "0")}`);

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
    flavour === "arduino" ? `const uint8_t ${id}[] PROGMEM = {` : `static const unsigned char ${id}[] = {`];
  for (const line of packed(map, order)) lines.push(`    ${Array.from(line, (b) => HEX[b]).join(", ")},`);
  lines.push("};", "#endif", "");
  return encoder.encode(lines.join(eol));
}

// The map of a header, { w, h, cells }, in the order `order` or as its
// first comment says.
export function readBits(bytes, { capacity }, order) {
  const got = declared(bytes), { w, h, size } = got, says = got.notes[0] ?? "";
  order ??= /vertical bytes/.test(says) ? "vertical" : got.lower || /least significant/.test(says) ? "lsb" : "msb";
  checkCount(got, byteCount(w, h, order));
  const { cells, stray } = unpacked(got.bytes, w, h, order);
  if (stray >= 0) refuse(got.end.line, `byte ${stray} of the array has a bit set past the ${count(w, "cell")} by ${h}`, got.end.column);
  if (!fits({ w, h, cells }, capacity)) {
    refuse(size.line, `${w} by ${h} cells would take more than the ${capacity.toLocaleString("en")} bytes a map holds`);
  }
  return { block: { w, h, cells } };
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
