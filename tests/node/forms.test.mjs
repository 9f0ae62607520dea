// The other forms given bytes: what each writes, what each reads back or
// refuses on which line, and which form a file is taken for.
import { test } from "node:test";
import assert from "node:assert/strict";
import { FORMS, Refusal, formOf } from "../../web/forms/index.js";
import { identifier } from "../../web/forms/c.js";

const [png, json, csv, c] = FORMS, enc = new TextEncoder(), dec = new TextDecoder();
const bytes = (s) => enc.encode(s);
// What a read gives: the listing's lines and the form's line of each, or
// the map's rows, or the refusal as the page says it.
function read(form, text) {
  try {
    const got = form.read(bytes(text), { capacity: 1000000 });
    if (got.block) {
      const { w, h, cells } = got.block;
      return Array.from({ length: h }, (_, y) => Array.from(cells.subarray(y * w, y * w + w), (v) => ".O"[v]).join("")).join("/");
    }
    const { w, h, body, line } = got.listing;
    return `[${w},${h}] ${dec.decode(body).split("\n").slice(0, -1).join(" ")} @${[1, 2, 3].map(line)}`;
  } catch (e) {
    if (!(e instanceof Refusal)) throw e;
    return `${e.line}${e.column ? `:${e.column}` : ""}: ${e.reason}`;
  }
}

test("JSON read", () => {
  for (const [text, want] of [
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
  ]) assert.equal(read(json, text), want, text);
});

test("CSV read", () => {
  for (const [text, want] of [
    ["x,y\n0,0\n2,0\n1,1\n", "[3,2] [0,0] [2,0] [1,1] @1,2,3"],
    ["x,y\r\n1,2", "[2,3] [1,2] @1,2,3"],
    ["x,y\n", "[0,0]  @1,2,3"],
    ["X,Y\n0,0\n", '1: the first line is not "x,y"'],
    ["", '1: the first line is not "x,y"'],
    ["x,y\n0,0\n\n1,1\n", '3: the line is not "x,y": two whole numbers, 0 or more, below a billion, and a comma between'],
    ["x,y\n999999999,0\n1000000000,0\n", '3: the line is not "x,y": two whole numbers, 0 or more, below a billion, and a comma between'],
    ["x,y\n01,0\n", '2: the line is not "x,y": two whole numbers, 0 or more, below a billion, and a comma between'],
    ["x,y\n1, 0\n", '2: the line is not "x,y": two whole numbers, 0 or more, below a billion, and a comma between'],
  ]) assert.equal(read(csv, text), want, text);
});

const header = (id, w, h, ...rows) => [`/* ${id} */`, `#define ${id}_WIDTH ${w}`, `#define ${id}_HEIGHT ${h}`,
  `static const unsigned char ${id}[] = {`, ...rows.map((r) => `    ${r},`), "};", ""].join("\n");
test("C read", () => {
  for (const [text, want] of [
    [header("k", 9, 2, "0xa0, 0x80", "0x00, 0x00"), "O.O.....O/........."],
    [header("k", 8, 1, "0xFF").replace(/\n/g, "\r\n"), "OOOOOOOO"],
    [header("k", 9, 1, "0xff, 0x40"), "5: a bit past the row's 9 cells is set"],
    [header("k", 8, 2, "0xff"), "6: row 1 of 2 is not 1 byte such as 0x0f, each followed by a comma"],
    [header("k", 8, 1, "0xff, 0x00"), "5: row 0 of 1 is not 1 byte such as 0x0f, each followed by a comma"],
    [header("k", 8, 1, "0xff") + "int x;\n", "7: there is more after the array's end"],
    [header("k", 8, 1, "0xff").replace("};", "}"), "6: “};” expected after the 1 row"],
    [header("k", 8, 1, "0xff").replace("/* k */", "// k"), "1: the first line is not a comment /* ... */"],
    [header("k", 8, 1, "0xff").replace("k_HEIGHT", "l_HEIGHT"), '3: the line is not "#define k_HEIGHT" and a height, 1 or more'],
    [header("k", 0, 1, "0xff"), '2: the line is not "#define NAME_WIDTH" and a width, 1 or more'],
    [header("k", 1000, 1000), "3: 1000 by 1000 cells would take 1,001,000 bytes, more than the 1,000,000 a map holds"],
    [header("k", 999, 1000).split("\n").slice(0, 3).join("\n"), '4: the line is not "static const unsigned char k[] = {"'],
    ["#define X 1\n", "1: the first line is not a comment /* ... */"],
  ]) assert.equal(read(c, text), want, text.slice(0, 60));
});

// A map's rows as the conversion lays them out, and its listing's lines
// after the header.
function mapOf(rows, name = "room.map", eol = "\n") {
  const rowStart = [0], cells = [], body = [];
  rows.forEach((r, y) => {
    [...r].forEach((ch, x) => { cells.push(ch === "O" ? 1 : 0); if (ch === "O") body.push(`[${x},${y}]\n`); });
    rowStart.push(cells.length);
  });
  return { name, eol, wid: rows.at(-1)?.length ?? 0, hgt: rows.length, body: bytes(body.join("")), w: Math.max(0, ...rows.map((r) => r.length)),
    h: rows.length, rowStart: Uint32Array.from(rowStart), cells: Uint8Array.from(cells) };
}

test("written, and read back", () => {
  for (const [form, rows, eol, want] of [
    [json, ["O.O", ".O"], "\n", '{"width": 2, "height": 2, "points": [[0, 0], [2, 0], [1, 1]]}\n'],
    [json, [], "\r\n", '{"width": 0, "height": 0, "points": []}\r\n'],
    [csv, ["O.O", ".O"], "\r\n", "x,y\r\n0,0\r\n2,0\r\n1,1\r\n"],
    [csv, ["..."], "\n", "x,y\n"],
    [c, ["O.O", ".O"], "\n", "/* room: 3 by 2 cells, a bit a cell, 1 marked; each row in 1 byte, its leftmost cell in the most " +
      "significant bit. */\n#define room_WIDTH 3\n#define room_HEIGHT 2\nstatic const unsigned char room[] = {\n    0xa0,\n    0x40,\n};\n"],
    [c, ["........O"], "\r\n", "/* room: 9 by 1 cells, a bit a cell, 1 marked; each row in 2 bytes, its leftmost cell in the most " +
      "significant bit. */\r\n#define room_WIDTH 9\r\n#define room_HEIGHT 1\r\nstatic const unsigned char room[] = {\r\n    0x00, 0x80,\r\n};\r\n"],
  ]) {
    const map = mapOf(rows, "room.map", eol), text = dec.decode(form.write(map));
    assert.equal(text, want);
    assert.equal(formOf("file", bytes(text))?.name ?? (rows.flat().join("").includes("O") ? "none" : form.name), form.name);
    const back = read(form, text);
    if (form === c) assert.equal(back, rows.map((r) => r.padEnd(map.w, ".")).join("/"));
    else assert.equal(back.split(" @")[0], `[${form === json ? `${map.wid},${map.hgt}` : back.slice(1).split("]")[0]}] ${
      dec.decode(map.body).split("\n").filter(Boolean).join(" ")}`);
  }
});

test("C identifiers", () => {
  for (const [name, want] of [["room.map", "room"], ["my map-2.txt", "my_map_2"], ["2d.map", "map_2d"], ["int.map", "int_map"],
    ["...map", "map"], ["é.map", "map"], ["__a__b.map", "a__b"]]) assert.equal(identifier(name), want, name);
});

test("a file's form, by its name or first bytes", () => {
  for (const [name, text, want] of [
    ["a.json", "OO", "json"], ["a.JSON", "", "json"], ["a", "  \n{", "json"], ["a", "\ufeff{", "json"],
    ["a.csv", "", "csv"], ["a", "x,y\n", "csv"], ["a", "x, y\n", null],
    ["a.h", "#include <x>", "c"], ["a", "/* k: 1 by 1 cells */\r\n#define k_WIDTH 1", "c"],
    ["a", "#define k_WIDTH 1\n", null], ["a", "static int x;", null], ["a", "/* a comment */\nint x;", null],
    ["a.png", "\x89PNG", null], ["a.map", "O.O\n", null], ["a.h.map", "[0,0]", null],
  ]) assert.equal(formOf(name, bytes(text))?.name ?? null, want, `${name} ${text}`);
  assert.deepEqual(FORMS.map((f) => [f.name, f.ext, f.type]), [["png", ".png", "image/png"], ["json", ".json", "application/json"],
    ["csv", ".csv", "text/csv"], ["c", ".h", "text/x-c"]]);
  assert.equal(png.sniff(Uint8Array.of(137, 80, 78, 71, 13, 10, 26, 10)), true);
});
