// Blocks of cells, edits of map bytes, the mirror's images, the ellipse's
// cells and the characters of a map in others than O and full stops.
import { test } from "node:test";
import assert from "node:assert/strict";
import { AS_IS, blockBytes, boxOf, mapSize, markedOnly, flipped, parseBlock, rotated } from "../../web/block.js";
import { CRLF, Edits, apply, difference, inverse, merge, lineEndOf, weight } from "../../web/edits.js";
import { images } from "../../web/images.js";
import { ellipse } from "../../web/ellipse.js";
import { characters, guess, label, printable, translate } from "../../web/characters.js";
import { bytes, dec, rowsOf } from "./rows.mjs";

const block = parseBlock, text = (b) => rowsOf(b, ".O-").join("/");

test("blocks", () => {
  for (const [input, want] of [["O.\n.O\n", "O./.O"], ["O\r\n..O", "O--/..O"], ["", ""], ["\n", ""], ["O\n\nO", "O/-/O"]]) {
    assert.equal(text(block(input)), want, JSON.stringify(input));
  }
  for (const [input, error] of [["O x", "a space (U+0020) at line 1, column 2"], ["O.\n\tO", "a tab (U+0009) at line 2, column 1"],
    ["O\rO", "a carriage return (U+000D) at line 1, column 2"], ["OO█", "“█” (U+2588) at line 1, column 3"]]) {
    assert.equal(block(input).error, error);
  }
  const b = block("OO.\n..O\n");
  for (const [got, want] of [[flipped(b, true), ".OO/O.."], [flipped(b, false), "..O/OO."], [rotated(b), ".O/.O/O."],
    [rotated(rotated(rotated(rotated(b)))), "OO./..O"], [markedOnly(b), "OO-/--O"]]) assert.equal(text(got), want);
  assert.equal(AS_IS, 2);
  assert.equal(dec.decode(blockBytes(b)), "OO.\n..O\n");
  assert.equal(dec.decode(blockBytes(b, CRLF)), "OO.\r\n..O\r\n");
  assert.equal(blockBytes({ w: 0, h: 0, cells: new Uint8Array(0) }).length, 0);
  for (const [w, h, eol, n] of [[1000, 999, undefined, 999999], [3, 2, CRLF, 10], [0, 5, undefined, 5]]) assert.equal(mapSize(w, h, eol), n);
  assert.deepEqual(boxOf({ x: 5, y: 1 }, { x: 2, y: 4 }), { x: 2, y: 1, w: 4, h: 4 });
  assert.deepEqual(boxOf({ x: 3, y: 3 }, { x: 3, y: 3 }), { x: 3, y: 3, w: 1, h: 1 });
});

test("edits: applied, undone, joined", () => {
  for (const [old, now] of [["O.O\n", "O.O\n"], ["O.O\n", "OOO\n"], ["O.O\n", "O\n"], ["", "O.\n"], ["O.\n", ""], ["..O", "..O..O"]]) {
    const e = difference(bytes(old), bytes(now));
    assert.equal(dec.decode(apply(bytes(old), e)), now);
    assert.equal(dec.decode(apply(bytes(now), inverse(e))), old);
    assert.equal(weight(e), e.removed.length + e.inserted.length);
  }
  const toggles = { toggles: Uint32Array.of(0, 2) };
  assert.equal(dec.decode(apply(bytes("O.O\n"), toggles)), "...\n");
  assert.equal(dec.decode(apply(apply(bytes("O.O\n"), toggles), inverse(toggles))), "O.O\n");
  assert.equal(weight(toggles), 8);
  // Typing "ab" over "x" as two edits: one step.
  const first = difference(bytes("x"), bytes("a")), second = difference(bytes("a"), bytes("ab"));
  const both = merge(first, second, bytes("ab"));
  assert.equal(dec.decode(apply(bytes("x"), both)), "ab");
  assert.equal(dec.decode(apply(bytes("ab"), inverse(both))), "x");
  assert.equal(merge(difference(bytes("x...."), bytes("a....")), difference(bytes("a...."), bytes("a...b")), bytes("a...b")), null);
  for (const [map, eol] of [["O\r\n", 2], ["O\n", 1], ["\r\n", 2], ["\n", 1], ["O", 1], ["O\rO\n", 1]]) assert.equal(lineEndOf(bytes(map)).length, eol, map);
  const list = new Edits();
  list.add([{ toggles: Uint32Array.of(1) }, { toggles: Uint32Array.from({ length: 100 }, (_, i) => i) }, first, { toggles: Uint32Array.of(7) }]);
  const done = list.done();
  assert.deepEqual(done.map((e) => e.toggles ? e.toggles.length : "bytes"), [101, "bytes", 1]);
});

test("the mirror's images", () => {
  const all = (x, y, axis, out = []) => (images(x, y, axis, (u, v) => out.push(`${u},${v}`)), out.join(" "));
  for (const [x, y, axis, want] of [
    [0, 0, null, "0,0"],
    [0, 0, { across: true, down: false, w: 3, h: 3 }, "0,0 2,0"],
    [1, 0, { across: true, down: false, w: 3, h: 3 }, "1,0"],
    [0, 0, { across: true, down: true, w: 4, h: 2 }, "0,0 3,0 0,1 3,1"],
    [1, 1, { across: true, down: true, w: 3, h: 3 }, "1,1"],
    [5, 0, { across: true, down: true, w: 3, h: 1 }, "5,0"],
    [0, 4, { across: false, down: true, w: 3, h: 3 }, "0,4"],
  ]) assert.equal(all(x, y, axis), want, `${x},${y}`);
});

test("the ellipse's cells: in the box, symmetric, each once", () => {
  const draw = (w, h, filled) => {
    const grid = Array.from({ length: h }, () => Array(w).fill("."));
    const seen = new Set();
    ellipse({ x: 10 + w - 1, y: 20 }, { x: 10, y: 20 + h - 1 }, filled, (x, y) => {
      assert.ok(x >= 10 && x < 10 + w && y >= 20 && y < 20 + h, `${x},${y} in ${w} by ${h}`);
      seen.add(`${x},${y}`);
      grid[y - 20][x - 10] = "O";
    });
    return grid.map((r) => r.join("")).join("/");
  };
  for (const [w, h, filled, want] of [[1, 1, false, "O"], [3, 1, false, "OOO"], [5, 5, false, ".OOO./O...O/O...O/O...O/.OOO."],
    [5, 5, true, ".OOO./OOOOO/OOOOO/OOOOO/.OOO."]]) assert.equal(draw(w, h, filled), want);
  for (let w = 1; w <= 12; w++) {
    for (let h = 1; h <= 12; h++) {
      for (const filled of [false, true]) {
        const rows = draw(w, h, filled).split("/");
        assert.deepEqual(rows, rows.map((r) => [...r].reverse().join("")), `${w} by ${h} across`);
        assert.deepEqual(rows, [...rows].reverse(), `${w} by ${h} down`);
        assert.ok(rows[0].includes("O") && rows.at(-1).includes("O") && rows.some((r) => r[0] === "O"), `${w} by ${h} reaches its sides`);
      }
    }
  }
});

test("characters of a map in others than O and full stops", () => {
  const c = characters(bytes("# #\r\n██\n"));
  assert.equal(c.utf8, true);
  assert.deepEqual([...c.counts], [["#", 2], [" ", 1], ["█", 2]]);
  const chosen = new Map([["#", "marked"], [" ", "blank"], ["█", "out"]]);
  assert.equal(dec.decode(translate(c, chosen)), "O.O\r\n\n");
  const latin = characters(Uint8Array.of(0x23, 0xe9, 10));
  assert.equal(latin.utf8, false);
  assert.deepEqual([...latin.counts.keys()], ["#", "é"]);
  for (const [ch, utf8, want] of [["#", true, "marked"], [" ", true, "blank"], ["0", true, "blank"], ["1", true, "marked"],
    ["é", false, "out"], ["é", true, "marked"], ["\u0007", true, "out"], ["\u200b", true, "out"], ["█", true, "marked"]]) {
    assert.equal(guess(ch, utf8), want, JSON.stringify(ch));
  }
  for (const [ch, utf8, want] of [[" ", true, "space (U+0020)"], ["é", false, "byte E9h"], ["é", true, "“é” (U+00E9)"],
    ["\u0007", true, "U+0007"], ["\ufeff", true, "byte order mark (U+FEFF)"], ["😀", true, "“😀” (U+1F600)"]]) {
    assert.equal(label(ch, utf8), want);
  }
  assert.deepEqual(["a", " ", "\n", "\u00ad", "\u{10ffff}"].map(printable), [true, true, false, false, false]);
});
