// Names of maps: an extension kept when a name is typed without one, and
// a name taken made "NAME (2)", "(3)"….
import { test } from "node:test";
import assert from "node:assert/strict";
import { extension, unique, withExtension } from "../../web/bytes.js";

test("a typed name keeps the extension unless it has its own", () => {
  for (const [typed, want] of [
    ["pat8-80x48", "pat8-80x48.map"], ["room.txt", "room.txt"], ["v1.2 room", "v1.2 room.map"],
    [".hidden", ".hidden.map"], ["a.b.map", "a.b.map"], ["end.", "end..map"],
  ]) assert.equal(withExtension(typed, extension("pat8.map")), want, typed);
  assert.equal(withExtension("plain", extension("noext")), "plain");
});

test("a name taken is made the first free NAME (N)", () => {
  for (const [name, taken, want] of [
    ["pat8.map", [], "pat8.map"],
    ["pat8.map", ["pat8.map"], "pat8 (2).map"],
    ["pat8.map", ["pat8.map", "pat8 (2).map"], "pat8 (3).map"],
    ["pat8.map", ["pat8.map", "pat8 (3).map"], "pat8 (2).map"],
    ["pat8 (2).map", ["pat8.map", "pat8 (2).map"], "pat8 (3).map"],
    ["pat8", ["pat8"], "pat8 (2)"],
    ["pat8.map", ["pat8"], "pat8.map"],
  ]) assert.equal(unique(name, new Set(taken)), want, `${name} among ${taken}`);
});
