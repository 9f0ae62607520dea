import { test } from "node:test";
import assert from "node:assert/strict";
import { ariaKey, keyText, parse, sharedKey, withKeys } from "../../web/keys.js";

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

test("keys as each platform writes them", () => {
  for (const [combo, other, mac, aria] of [
    ["Mod+Shift+Z", "Ctrl+Shift+Z", "⇧⌘Z", "Control+Shift+Z"],
    ["Mod+A", "Ctrl+A", "⌘A", "Control+A"],
    ["Shift+H", "Shift+H", "⇧H", "Shift+H"],
    ["-", "−", "−", "-"],
    ["+", "+", "+", "Plus"],
    ["Escape", "Esc", "Esc", "Escape"],
    ["ArrowLeft", "←", "←", "ArrowLeft"],
  ]) {
    assert.equal(keyText(combo, false), other, combo);
    assert.equal(keyText(combo, true), mac, combo);
    assert.equal(ariaKey(combo, false), aria, combo);
  }
  assert.equal(ariaKey("Mod+C", true), "Meta+C");
});

test("prose names keys from the table", () => {
  const table = [{ name: "copy", keys: ["Mod+C", "Mod+Insert"] }, { name: "ink", keys: ["X"] }, { name: "new" }];
  for (const [text, mac, want] of [
    ["copy with {copy} on the picture", false, "copy with Ctrl+C on the picture"],
    ["copy with {copy} on the picture", true, "copy with ⌘C on the picture"],
    ["{ink} swaps; {Mod} squares", true, "X swaps; ⌘ squares"],
    ["{ink} swaps; {Mod} squares", false, "X swaps; Ctrl squares"],
    ["no keys here", false, "no keys here"],
  ]) assert.equal(withKeys(text, table, mac), want, text);
  const more = [...table, { name: "move", keys: ["ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown"] },
    { name: "use", keys: ["Space", "Enter"] }, { name: "half", keys: ["Shift+ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown"] }];
  for (const [text, mac, want] of [
    ["{move*}; {use*}; {copy*}", false, "the arrow keys; Space or Enter; Ctrl+C or Ctrl+Insert"],
    ["{use:Enter} writes", true, "Enter writes"],
    ["{copy:Mod+Insert}", true, "⌘Insert"],
    ["{half*}", false, "Shift+← or → or ↑ or ↓"],
  ]) assert.equal(withKeys(text, more, mac), want, text);
  assert.throws(() => withKeys("{use:Tab}", more, false), /use with the key Tab/);
  assert.throws(() => withKeys("{cut}", table, false), /cut/);
  assert.throws(() => withKeys("{new}", table, false), /new/);
});
