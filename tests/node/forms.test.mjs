// The other forms given bytes: what each writes, what each reads back or
// refuses on which line, and which form a file is taken for.
import { test } from "node:test";
import assert from "node:assert/strict";
import { FORMS, Refusal, formOf } from "../../web/forms/index.js";
import { identifier } from "../../web/forms/c.js";
import { fitted, fitting } from "../../web/forms/fit.js";
import { bytes, dec, mapOf, rowsOf } from "./rows.mjs";

const [png, json, csv, c, xbm, pbm, pbm4] = FORMS;
const LINE = 'the line is not "x,y": two whole numbers, 0 or more, below a billion, and a comma between';
// What a read gives: the listing's lines and the form's line of each, or
// the map's rows, or the refusal as the page says it.
function read(form, text, capacity = 1000000) {
  try {
    const got = form.read(typeof text === "string" ? bytes(text) : text, { capacity });
    if (got.trimmed) return `${got.trimmed.w}×${got.trimmed.h} trimmed: ${dec.decode(got.trimmed.bytes).replace(/\n/g, "/")}`;
    if (got.block) return rowsOf(got.block).join("/");
    const { w, h, body, line } = got.listing;
    return `[${w},${h}] ${dec.decode(body).split("\n").slice(0, -1).join(" ")} @${[1, 2, 3].map(line)}`;
  } catch (e) {
    if (!(e instanceof Refusal)) throw e;
    return `${e.line}${e.column ? `:${e.column}` : ""}: ${e.reason}`;
  }
}

// Each reader's cases: the text, and the listing it reads or where and why it refuses.
for (const [name, form, rows] of [
  ["JSON", json, [
      ['{"width": 3, "height": 2, "points": [[0, 0], [2, 0], [1, 1]]}', "[3,2] [0,0] [2,0] [1,1] @1,1,1"],
      ['\ufeff{"points": [], "height": 0, "width": 0}\n', "[0,0]  @1,1,1"],
      ['{"\\u0077idth": 3.0, "height": 2e0, "points": [[-0, 0]], "name": "a [, ] \\" {"}', "[3,2] [0,0] @1,1,1"],
      ['{\n "width": 3,\n "height": 2,\n "points": [\n  [0, 0],\n  [1, 1]\n ]\n}', "[3,2] [0,0] [1,1] @2,5,6"],
      ['{"width": 1e21, "height": 9007199254740993, "points": []}', "[1000000000000000000000,9007199254740992]  @1,1,1"],
      ['{"width": 1, "height": 1, "points": [[0, -1]]}', "1: y is not a whole number, 0 or more"],
      ['{"width": 1, "height": 1, "points": [[0.5, 0]]}', "1: x is not a whole number, 0 or more"],
      ['{"width": "1", "height": 1, "points": []}', "1: width is not a whole number, 0 or more"],
      ['{"width": 1,\n"height": 1e400, "points": []}', "2: height is not a whole number, 0 or more"],
      ['{"width": 1, "points": []}', '0: there is no "height"'],
      ['{"width": 1, "height": 1, "wid\\u0074h": 1, "points": []}', '1: "width" comes twice'],
      ['{"width": 1, "height": 1, "points": []} x', "1: the object has ended, but “x” stands there"],
      ['{"width": 1, "height": 1, "points": []}\n\n}', "3: the object has ended, but “}” stands there"],
      ['{"width": 1, "height": 1, "points": {}}', "1: “[” expected, but “{” stands there"],
      ['{"width": 1, "height": 1, "points": [[0, 0],\n 7]}', "2: “[” expected, but “7” stands there"],
      ['{"width": 1, "height": 1, "points": [[0, 0],\n[0, 0, 0]]}', "2: a point is not [x, y], two numbers"],
      ['[{"width": 1}]', "1: “{” expected, but “[” stands there"],
      ['{"width": 1,\n  "height" 1}', "2:12: it is not JSON: “1” stands there"],
      ['{"width": 1, "height": 1, "points": [[0, 0]', "1:44: it is not JSON: the text ends"],
      ["", "1:1: it is not JSON: the text ends"],
      ['{"width": 1,\0}', "1:13: it is not JSON: NUL (U+0000) stands there"],
  ]],
  ["CSV", csv, [
      ["x,y\n0,0\n2,0\n1,1\n", "[3,2] [0,0] [2,0] [1,1] @1,2,3"],
      ['\ufeff"x","y"\r"1","2"\r\r\n\n', "[2,3] [1,2] @1,2,3"],
      ["x,y\n", "[0,0]  @1,2,3"],
      ["X,Y\n0,0\n", '1: the first line is not "x,y"'],
      ["", '1: the first line is not "x,y"'],
      ["x,y\n0,0\n\n1,1\n", `3:1: ${LINE}, but the line ends`],
      ["x,y\n999999999,0\n1000000000,0\n", `3:10: ${LINE}, but “0” stands there`],
      ["x,y\n01,0\n", `2:2: ${LINE}, but “1” stands there`],
      ["x,y\n1, 0\n", `2:3: ${LINE}, but U+0020 stands there`],
      ["x,y\n1,\0\n", `2:3: ${LINE}, but NUL (U+0000) stands there`],
      ['x,y\n"1,2"\n', `2:3: ${LINE}, but “,” stands there`],
      ["x,y\n1,2,\n", `2:4: ${LINE}, but “,” stands there`],
      ["x,y\r\n1,\ufeff2\r\n", `2:3: ${LINE}, but a byte order mark (U+FEFF) stands there`],
      ["x,y\r1,2\r3,😀", `3:3: ${LINE}, but “😀” stands there`],
      [Uint8Array.of(...bytes("x,y\n1,"), 0xff, 10), `2:3: ${LINE}, but a byte that is no UTF-8 (U+FFFD) stands there`],
      // Rows ended at their last marked cell where the rectangle is too large.
      ["x,y\n3,0\n0,2\n", "4×3 trimmed: ...O/./O/", 10],
      ["x,y\n3,0\n0,2", "4×3 trimmed: ...O/./O", 8],
      ["x,y\n2,0\n0,2\n", "3×3 trimmed: ..O/./O/", 8],
      ["x,y\n0,2\n3,0\n", "3: 3,0 comes after 0,2: a CSV too large for a rectangle is read in reading order only", 10],
      ["x,y\n3,0\n9,1\n", "3: the map would take more than the 10 bytes a map holds, even with each row ended at its last marked cell", 10],
  ]],
]) test(`${name} read`, () => { for (const [text, want, capacity] of rows) assert.equal(read(form, text, capacity), want, text); });

const header = (id, w, h, ...rows) => [`/* ${id} */`, `#define ${id}_WIDTH ${w}`, `#define ${id}_HEIGHT ${h}`,
  `static const unsigned char ${id}[] = {`, ...rows.map((r) => `    ${r},`), "};", ""].join("\n");
// Headers as people keep them, each read or refused at its line and column.
test("C read", () => {
  for (const [text, want] of [
    [header("k", 9, 2, "0xa0, 0x80", "0x00, 0x00"), "O.O.....O/........."],
    [header("k", 8, 1, "0xFF").replace(/\n/g, "\r\n"), "OOOOOOOO"],
    ["#ifndef K_H\n#define K_H\n#include <stdint.h>\n// k\n#define k_WIDTH 3 /* w */\n#define k_HEIGHT 2\n" +
      "const uint8_t k[2] PROGMEM = { 160, 0X40 }; /* end */\n#endif\n", "O.O/.O."],
    ["#define k_WIDTH 3\n#define k_HEIGHT 2\nstatic const unsigned char PROGMEM k[] = {0xa0,0x40};", "O.O/.O."],
    ["/* k: least significant bit */\n#define k_WIDTH 3\n#define k_HEIGHT 2\nstatic const unsigned char k[] = {5, 2};", "O.O/.O."],
    ["/* k: 3 by 9; vertical bytes */\n#define k_WIDTH 3\n#define k_HEIGHT 9\nstatic const unsigned char k[] = {1, 2, 0xff, 0, 0, 1};",
      "O.O/.OO/..O/..O/..O/..O/..O/..O/..O"],
    [header("k", 9, 1, "0xff, 0x40"), "6:1: byte 1 of the array has a bit set past the 9 cells by 1"],
    [header("k", 8, 2, "0xff"), "6:1: the array holds 1 byte; the size takes 2"],
    [header("k", 8, 1, "0xff") + "int x;\n", "7:1: there is more after the array's end"],
    [header("k", 8, 1, "0xff").replace("};", "}"), "0: “;” expected, but the text ends"],
    [header("k", 8, 3, "255, // a", "/* b\n */ 0XaB", "0"), "OOOOOOOO/O.O.O.OO/........"],
    ...["0x100", "256", "012", "0x0ff", "0x"].map((b) => [header("k", 8, 1, b), `5:5: ${b} is not a byte: 0 to 255, or 0x00 to 0xff`]),
    [header("k", 8, 2, "0xff,\n#if 1\n0xff"), "6:1: “,” or “}” expected, but “#if 1” stands there"],
    [header("k", 8, 1, "0xff 0x00"), "5:10: “,” or “}” expected, but “0x00” stands there"],
    [header("int", 8, 1, "0xff"), "4:28: “int” is taken by C or C++: it names no map"],
    [header("k", 8, 1, "0xff").replace("unsigned char", "int"), "4:14: “int” is not a byte array's type (unsigned char or uint8_t)"],
    [header("k", 8, 1, "0xff").replace("/* k */", "/* k"), "1:1: a comment “/*” never ends"],
    [header("k", 8, 1, "0x\0f"), "5:7: NUL (U+0000) stands where C is expected"],
    [header("k", 8, 1, "0xff").replace("0xff", "\x1b"), "5:5: ESC (U+001B) stands where C is expected"],
    [header("k", 8, 1, "0xff").replace("k_HEIGHT", "l_HEIGHT"), "3: the height is l's, the width k's"],
    [header("k", 0, 1, "0xff"), "2: the width is not a whole number from 1 to 9,999,999"],
    [header("k", 8, 1, "0xff").replace("#define k_HEIGHT 1\n", ""), "3: there is no #define NAME_HEIGHT before the array"],
    [header("k", 2000, 1000, ...Array(1000).fill(Array(250).fill("0xff").join(", "))), "2: 2000 by 1000 cells would take more than the 1,000,000 bytes a map holds"],
    ["#define X 1\n", "0: there is no array of bytes"],
  ]) assert.equal(read(c, text), want, text.slice(0, 60));
});

test("written, and read back", () => {
  for (const [form, rows, eol, want] of [
    [json, ["O.O", ".O"], "\n", '{"width": 2, "height": 2, "points": [[0, 0], [2, 0], [1, 1]]}\n'],
    [json, [], "\r\n", '{"width": 0, "height": 0, "points": []}\r\n'],
    [csv, ["O.O", ".O"], "\r\n", "x,y\r\n0,0\r\n2,0\r\n1,1\r\n"],
    [csv, ["..."], "\n", "x,y\n"],
    [c, ["O.O", ".O"], "\n", "/* room: 3 by 2 cells, a bit a cell, 1 marked; each row in 1 byte, its leftmost cell in the most " +
      "significant bit. */\n#ifndef room_H\n#define room_H\n#define room_WIDTH 3\n#define room_HEIGHT 2\n" +
      "static const unsigned char room[] = {\n    0xa0,\n    0x40,\n};\n#endif\n"],
    [c, ["........O"], "\r\n", "/* room: 9 by 1 cells, a bit a cell, 1 marked; each row in 2 bytes, its leftmost cell in the most " +
      "significant bit. */\r\n#ifndef room_H\r\n#define room_H\r\n#define room_WIDTH 9\r\n#define room_HEIGHT 1\r\n" +
      "static const unsigned char room[] = {\r\n    0x00, 0x80,\r\n};\r\n#endif\r\n"],
    [xbm, ["O.O", ".O"], "\n", "#define room_width 3\n#define room_height 2\nstatic unsigned char room_bits[] = {\n   0x05,\n   0x02,\n};\n"],
    [pbm, ["O.O", ".O"], "\r\n", "P1\r\n3 2\r\n101\r\n010\r\n"],
    [pbm, ["O".repeat(71)], "\n", `P1\n71 1\n${"1".repeat(70)}\n1\n`],
    [pbm4, ["O.O", ".O", "........O"], "\n", "P4\n9 3\n\xa0\0@\0\0\x80"],
  ]) {
    const map = mapOf(rows, { name: "room.map", eol }), out = form.write(map), text = String.fromCharCode(...out);
    assert.equal(form.text ? dec.decode(out) : text, want);
    assert.equal(formOf("file", out)?.name ?? (rows.flat().join("").includes("O") ? "none" : form.name), form === pbm4 ? "pbm" : form.name);
    const back = read(form, out);
    if (form.cells) assert.equal(back, rows.map((r) => r.padEnd(map.w, ".")).join("/"));
    else assert.equal(back.split(" @")[0], `[${form === json ? `${map.wid},${map.hgt}` : back.slice(1).split("]")[0]}] ${
      dec.decode(map.body).split("\n").filter(Boolean).join(" ")}`);
  }
});

test("C identifiers", () => {
  for (const [name, want] of [["room.map", "room"], ["my map-2.txt", "my_map_2"], ["2d.map", "map_2d"], ["int.map", "int_map"],
    ["...map", "map"], ["é.map", "e"], ["__a__b.map", "a_b"], ["café.map", "cafe"], ["ñandú", "nandu"], ["Straße", "Strasse"],
    ["日本", "map"], ["a日本b", "a_b"], ["class", "class_map"], ["and", "and_map"], ["main", "main_map"], ["NULL", "NULL_map"],
    ["printf", "printf_map"], ["uint8_t", "uint8_t_map"], ["EOF", "EOF_map"], ["ENOENT", "ENOENT_map"], ["sinf", "sinf_map"],
    ["room_WIDTH", "room_WIDTH_map"], ["room_H", "room_H_map"], ["a_bits", "a_bits_map"], ["co_await", "co_await_map"],
    ["x".repeat(60), "x".repeat(48)], ["Eve", "Eve"], ["ifs", "ifs"]]) assert.equal(identifier(name), want, name);
});

test("a file's form, by its name or first bytes", () => {
  for (const [name, text, want] of [
    ["a.json", "OO", "json"], ["a.JSON", "", "json"], ["a", "  \n{", "json"], ["a", "\ufeff{", "json"],
    ["a.csv", "", "csv"], ["a", "x,y\n", "csv"], ["a", "x, y\n", null],
    ["a.h", "#include <x>", "c"], ["a", "/* k: 1 by 1 cells */\r\n#define k_WIDTH 1", "c"],
    ["a", "#define k_WIDTH 1\n", null], ["a", "/* k */\n#ifndef k_H\n", "c"], ["a", "#define k_width 1\n", "xbm"],
    ["a.xbm", "", "xbm"], ["a.pbm", "", "pbm"], ["a", "P4\n1 1\n\0", "pbm"], ["a", "P1 1 1 0", "pbm"], ["a", "P1x", null], ["a", "static int x;", null], ["a", "/* a comment */\nint x;", null],
    ["a.tmx", "", "tmx"], ["a", '<?xml version="1.0"?>\n<map version="1.8">', "tmx"], ["a", "<map>", "tmx"], ["a", "<mapping>", null],
    ["a", '<?xml version="1.0"?><tileset>', null],
    ["a.png", "\x89PNG", null], ["a.map", "O.O\n", null], ["a.h.map", "[0,0]", null],
  ]) assert.equal(formOf(name, bytes(text))?.name ?? null, want, `${name} ${text}`);
  assert.deepEqual(FORMS.map((f) => [f.name, f.ext, f.type]), [["png", ".png", "image/png"], ["json", ".json", "application/json"],
    ["csv", ".csv", "text/csv"], ["c", ".h", "text/x-c"], ["xbm", ".xbm", "image/x-xbitmap"], ["pbm", ".pbm", "image/x-portable-bitmap"],
    ["pbm-raw", ".pbm", "image/x-portable-bitmap"], ["tmx", ".tmx", "application/x-tiled-tmx"]]);
  assert.equal(png.sniff(Uint8Array.of(137, 80, 78, 71, 13, 10, 26, 10)), true);
});

// A form's cells as a map: the rectangle, without its last line feed where
// only that fits, else rows ended at their last marked cell, a blank row
// one cell, so that it stays a row.
test("cells made a map that fits", () => {
  const text = (b) => b && [dec.decode(b.bytes).replace(/\n/g, "/"), b.trimmed];
  for (const [w, h, marked, capacity, want] of [
    [3, 2, [0, 4], 8, ["O../.O./", false]],
    [3, 2, [0, 4], 7, ["O../.O.", false]],
    [3, 2, [0, 4], 6, ["O/.O/", true]],
    [3, 2, [0, 4], 4, ["O/.O", true]],
    [3, 2, [0, 4], 3, null],
    [3, 3, [0, 8], 7, ["O/./..O", true]],
    [3, 2, [], 3, ["./.", true]],
    [3, 2, [], 2, null],
  ]) {
    const cells = new Uint8Array(w * h);
    for (const i of marked) cells[i] = 1;
    assert.deepEqual(text(fitted({ w, h, cells }, capacity)), want, `${w}x${h} ${capacity}`);
    // Read by a form: refused on its line where it fits neither way, else
    // the same map, from the rows' ends kept with the block.
    const read = () => fitted(fitting({ w, h, cells }, capacity, 5), capacity);
    if (want) assert.deepEqual(text(read()), want);
    else assert.throws(read, { line: 5, reason: `${w} by ${h} cells would take more than the ${capacity} bytes a map holds` });
  }
});
