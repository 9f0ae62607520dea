// Cells pooled k a side, as the picture zoomed out and the thumbnails
// show them: marked wins over blank, blank over none, rows keep their
// lengths.
import { test } from "node:test";
import assert from "node:assert/strict";
import { pool } from "../../web/pooling.js";

// Rows of "O", "." as layout cells (add 1); pooled rows as "2", "1", "0".
const cellsOf = (rows) => {
  const start = new Uint32Array(rows.length + 1);
  rows.forEach((r, y) => { start[y + 1] = start[y] + r.length; });
  return { rows: rows.length, start, cells: Uint8Array.from(rows.join(""), (c) => (c === "O" ? 1 : 0)), add: 1 };
};
const rowsOf = ({ rows, start, cells }) => Array.from({ length: rows }, (_, y) => cells.subarray(start[y], start[y + 1]).join(""));

test("pooled k a side", () => {
  for (const [rows, k, want] of [
    [["O."], 1, ["21"]],
    [["O.", ".."], 2, ["2"]],
    [["..", ".."], 2, ["1"]],
    [["...", "O"], 2, ["21"]],
    [[".", "...O."], 2, ["121"]],
    [["", "", ""], 2, ["", ""]],
    [["O"], 2, ["2"]],
    [[".....", "....O", ".", "", "O"], 3, ["12", "2"]],
    [[], 2, []],
  ]) assert.deepEqual(rowsOf(pool(cellsOf(rows), k)), want, `${rows.join("/")} by ${k}`);
});

test("pooled twice is pooled by four", () => {
  const rows = ["O......", "", "...O", ".........O", ".", "..O"], once = pool(cellsOf(rows), 2);
  assert.deepEqual(rowsOf(pool(once, 2)), rowsOf(pool(cellsOf(rows), 4)));
});
