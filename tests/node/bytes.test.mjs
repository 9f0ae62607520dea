// Counts written without the locale data, as the locale data writes them.
import { test } from "node:test";
import assert from "node:assert/strict";
import { count, grouped } from "../../web/bytes.js";

test("grouped writes a number as toLocaleString(\"en\") does", () => {
  // Each side of every place a comma comes in, signs, the largest whole
  // numbers a double holds exactly, and those it writes through the
  // locale data: fractions, past 2^53, not numbers.
  for (const n of [0, 1, 9, 10, 99, 100, 999, 1000, 1001, 9999, 10000, 99999, 100000, 999999, 1000000, 1234567,
    8192, 1048576, -1, -999, -1000, -1234567, -0, 2 ** 53 - 1, -(2 ** 53 - 1), 2 ** 53, 1e21, 0.5, 1234.5678, -1234.5,
    NaN, Infinity, -Infinity]) {
    assert.equal(grouped(n), n.toLocaleString("en"), String(n));
  }
});

test("count names one thing and many", () => {
  for (const [n, want] of [[0, "0 bytes"], [1, "1 byte"], [2, "2 bytes"], [1000, "1,000 bytes"], [-1, "-1 bytes"]]) {
    assert.equal(count(n, "byte"), want);
  }
});
