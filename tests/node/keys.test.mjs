import { test } from "node:test";
import assert from "node:assert/strict";
import { parse, sharedKey } from "../../web/keys.js";

test("a key as written", () => {
  for (const [combo, want] of [
    ["Mod+Shift+Z", { key: "Z", mod: true, shift: true }],
    ["+", { key: "+", mod: false, shift: false }],
    ["ArrowLeft", { key: "ArrowLeft", mod: false, shift: false }],
  ]) assert.deepEqual(parse(combo), want, combo);
});

test("two commands sharing a key are told", () => {
  for (const [commands, want] of [
    [[{ name: "a", keys: ["X"] }, { name: "b", keys: ["Y"] }], ""],
    [[{ name: "a", keys: ["X"] }, { name: "b", keys: ["Shift+X"] }], ""],
    [[{ name: "a", keys: ["X"] }, { name: "b", keys: ["Y"], also: ["x"] }], "x: a and b"],
    [[{ name: "a", keys: ["Mod+Z"] }, { name: "b", keys: ["Mod+Z"] }], "Mod+Z: a and b"],
    [[{ name: "a", keys: ["Delete", "Delete"] }], ""],
  ]) assert.equal(sharedKey(commands), want);
});
