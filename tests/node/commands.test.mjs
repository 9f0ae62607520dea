// The commands' table (web/commands.js), loaded with the rest of the page
// stubbed (stubs.mjs), for each platform: every control's accessible name
// begins with the words it shows, and every key in its words is written
// from the table as the platform writes it; no module of the page writes a
// key in its prose by hand.
import { test } from "node:test";
import assert from "node:assert/strict";
import { register } from "node:module";
import { readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";
import { withKeys } from "../../web/keys.js";

register("./stubs.mjs", import.meta.url);
globalThis.matchMedia = () => ({ matches: false });
const WEB = new URL("../../web/", import.meta.url).pathname;
// Keys as only the table may write them.
const BY_HAND = /\b(Ctrl|Control|Cmd|Command|Esc|Escape|Enter|Space|Backspace|Tab)\b|⌘|⇧|arrow keys|Shift\+[A-Z]\b/;

for (const mac of [false, true]) {
  const { COMMANDS, face, title, said } = await import(`../../web/commands.js?mac=${+mac}`);
  const platform = mac ? "a Mac" : "other platforms";

  test(`${platform}: a control's accessible name begins with its words; a sign's is its label`, () => {
    const wrong = COMMANDS.filter((c) => {
      const { text, name } = face(c);
      return /\p{L}/u.test(text) ? !(name ?? text).startsWith(text) : name !== c.label;
    }).map((c) => c.name);
    assert.deepEqual(wrong, []);
  });

  test(`${platform}: titles, notes and help write keys as the platform does`, () => {
    const other = mac ? /Ctrl|Control/ : /⌘|⇧/;
    for (const c of COMMANDS) {
      for (const text of [title(c), said(c.name), ...[c.note, c.help, c.touchHelp].filter(Boolean).map((t) => withKeys(t, COMMANDS, mac))]) {
        assert.doesNotMatch(text, other, c.name);
      }
    }
    assert.equal(said("save"), mac ? "Save map (⌘S)" : "Save map (Ctrl+S)");
    assert.equal(withKeys("{use*}; {extend*}; {use:Enter}", COMMANDS, mac),
      `Space or Enter; ${mac ? "⇧" : "Shift"} and the arrow keys; Enter`);
  });

  test(`${platform}: the table's words name no key by hand`, () => {
    for (const c of COMMANDS) {
      for (const text of [c.label, c.text, c.note, c.help, c.touchHelp].filter(Boolean)) assert.doesNotMatch(text, BY_HAND, c.name);
    }
  });
}

// A text in quotes or backticks with a space in it is prose; comments are not.
test("no module of the page writes a key in its prose by hand", () => {
  const modules = readdirSync(WEB, { recursive: true }).filter((f) => f.endsWith(".js") && !f.startsWith("node_modules"));
  const found = modules.filter((f) => f !== "keys.js").flatMap((f) => {
    const code = readFileSync(join(WEB, f), "utf8").replace(/(^|\s)\/\/.*$/gm, "");
    return [...code.matchAll(/"(?:[^"\\\n]|\\.)*"|`(?:[^`\\]|\\.)*`/g)].map(([s]) => s)
      .filter((s) => / /.test(s) && BY_HAND.test(s.replace(/\{[\w-]+(\*|:[\w+]+)?\}/g, ""))).map((s) => `${f}: ${s}`);
  });
  assert.deepEqual(found, []);
});
