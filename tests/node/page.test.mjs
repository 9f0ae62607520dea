// The page's HTML holds no control's words: each is the commands' table's
// (commands.js), so that a label written here too, and then differing, is
// caught before any browser runs.
import { test } from "node:test";
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";

const html = readFileSync(new URL("../../web/gridpin.html", import.meta.url), "utf8");

test("controls of the commands' table hold no words of their own", () => {
  const controls = [...html.matchAll(/<(button|input)\b([^>]*\bdata-command="([^"]+)"[^>]*)>(?:([^<]*)<\/button>)?/g)];
  assert.ok(controls.length > 20, `only ${controls.length} controls found`);
  const worded = controls.filter(([, , attrs, , words]) => (words ?? "").trim() || /\b(aria-label|title)=/.test(attrs))
    .map(([, , , name]) => name);
  assert.deepEqual(worded, []);
  // A switch's words follow its box, in a label that holds nothing else.
  const switches = [...html.matchAll(/<label[^>]*>(\s*<input[^>]*data-command[^>]*>)([^<]*)<\/label>/g)];
  assert.deepEqual(switches.filter(([, , words]) => words.trim()).map(([, box]) => box), []);
});
