// The PNG the page writes, read back by its own reader; and files that
// are no PNG, or damaged ones, refused with why.
import { test } from "node:test";
import assert from "node:assert/strict";
import { deflateSync } from "node:zlib";
import { isPNG, marked, pngCells, pngSize } from "../../web/png.js";
import { pngOf } from "../../web/pngwrite.js";
import { END, SIGNATURE, ihdr, mapOf, pngFile as file, rowsOf } from "./rows.mjs";

test("written and read back: each row as wide as the widest", async () => {
  for (const rows of [["O"], ["."], ["O.O", ".O"], ["OOOO", "O"], ["O...O...O"], [".O.O.O.O.", "", "O"], ["O".repeat(4099)]]) {
    const png = pngOf(mapOf(rows)), w = Math.max(...rows.map((r) => r.length));
    assert.deepEqual(pngSize(png), { width: w, height: rows.length });
    assert.deepEqual(rowsOf(await pngCells(png)), rows.map((r) => r.padEnd(w, ".")), rows.join("/"));
  }
});

// Maps of each kind the writer compresses its own way: noise stored, sparse
// cells by Huffman codes alone, a pattern by zlib's matching. The first
// block's type (0 stored, 2 coded) and the IDAT's size tell which.
test("noise, sparse cells and patterns, each compressed its way, read back", async () => {
  let seed = 7;
  const coin = (p) => (seed ^= seed << 13, seed ^= seed >>> 17, seed ^= seed << 5, (seed >>> 0) / 2 ** 32 < p);
  const map = (w, h, on) => Array.from({ length: h }, (_, y) => Array.from({ length: w }, (_, x) => on(x, y) ? "O" : ".").join(""));
  for (const [name, rows, type, most] of [
    ["noise", map(400, 100, () => coin(0.5)), 0, 5120], ["sparse", map(400, 100, () => coin(1 / 16)), 2, 2000],
    ["pattern", map(400, 100, (x, y) => (x * 7 + y * 13) % 17 < 5), 2, 200]]) {
    const png = pngOf(mapOf(rows)), at = png.findIndex((_, i) => String.fromCharCode(...png.subarray(i, i + 4)) === "IDAT");
    const size = new DataView(png.buffer).getUint32(at - 4);
    assert.equal(png[at + 6] >> 1 & 3, type, `${name}: the first block's type`);
    assert.ok(size <= most, `${name}: ${size} bytes of zlib data, more than ${most}`);
    assert.deepEqual(rowsOf(await pngCells(png)), rows, name);
  }
});

const idat = (...raw) => ["IDAT", deflateSync(Uint8Array.from(raw))];

test("refused: what is wrong with the file", async () => {
  const good = pngOf(mapOf(["O."]));
  const broken = Buffer.from(good);
  broken[40] ^= 1;
  for (const [bytes, why] of [
    [Buffer.from("O.O\n"), "the file is not a PNG"],
    [good.subarray(0, 30), "the PNG's IHDR data is cut short"],
    [good.subarray(0, 8), "the PNG is cut short before its image data"],
    [broken, /CRC does not match/],
    [file(["PLTE", Uint8Array.of(0, 0, 0)], END), "the PNG does not start with its IHDR chunk"],
    [file(ihdr(1, 1, 8, 0), END), "the PNG has no image data (IDAT chunk)"],
    [file(ihdr(1, 1, 3, 0), idat(0, 0), END), "the PNG's bit depth 3 is not one its colour type 0 has"],
    [file(ihdr(1, 1, 8, 5), idat(0, 0), END), "the PNG's colour type 5 is not one PNG has"],
    [file(ihdr(1, 1, 8, 0, 2), idat(0, 0), END), "the PNG's interlace method 2 is not one PNG has"],
    [file(ihdr(0, 1, 8, 0), idat(0, 0), END), "the PNG's size, 0 × 1 pixels, is not one PNG allows"],
    [file(ihdr(1, 1, 8, 3), idat(0, 0), END), "the PNG has no palette (PLTE chunk) for its colours"],
    [file(ihdr(1, 1, 8, 3), ["PLTE", Uint8Array.of(0, 0, 0)], idat(0, 1), END), "the PNG uses palette entry 1 of its 1"],
    [file(ihdr(1, 1, 8, 0), idat(5, 0), END), "the PNG's row filter 5 is not one PNG has"],
    [file(ihdr(2, 1, 8, 0), idat(0, 0), END), "the PNG's IDAT data is cut short"],
    [file(ihdr(1, 1, 8, 0), ["IDAT", Uint8Array.of(1, 2, 3)], END), "the PNG's IDAT data is damaged or cut short: zlib cannot read it"],
    [file(ihdr(1, 1, 8, 0), ["ABCD", Uint8Array.of()], idat(0, 0), END), "the PNG has a chunk ABCD, which this page cannot read"],
  ]) await assert.rejects(pngCells(bytes), (e) => why instanceof RegExp ? why.test(e.message) : e.message === why, String(why));
});

test("samples read by the rule: dark and at least half opaque", async () => {
  for (const [head, raw, want] of [
    [ihdr(3, 1, 8, 0), [0, 0, 127, 128], "OO."],
    [ihdr(2, 1, 1, 0), [0, 0b01000000], "O."],
    [ihdr(2, 1, 16, 0), [0, 0x7f, 0xff, 0x80, 0x00], "O."],
    [ihdr(2, 1, 8, 4), [0, 0, 127, 0, 128], ".O"],
    [ihdr(1, 2, 8, 2), [0, 255, 0, 0, 0, 0, 0, 255], "O/O"],
  ]) assert.deepEqual(rowsOf(await pngCells(file(head, idat(...raw), END))).join("/"), want);
  for (const [rgba, want] of [[[0, 0, 0, 255], true], [[0, 0, 0, 127], false], [[0, 0, 0, 128], true], [[127, 127, 127, 255], true],
    [[128, 128, 128, 255], false], [[255, 0, 0, 255], true], [[0, 255, 0, 255], false]]) assert.equal(marked(...rgba, 255), want, `${rgba}`);
  assert.equal(isPNG(Uint8Array.from(SIGNATURE.slice(0, 7))), false);
  assert.equal(pngSize(Buffer.from("GIF89a")), null);
});
