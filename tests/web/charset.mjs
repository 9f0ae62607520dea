// scenarios.tsv's actions on the offer for a map in other characters:
// what it holds, a choice made, and the map written so.
import { check } from "./page.mjs";

export const CHARSET_ACTIONS = {
  // What the offer holds: code point in hex, count and choice, a row
  // each, or "-" where none stands; choices made as hex=marked|blank|out.
  offered: async (page, words, rest) => check(`${page.row}: offered`, await page.js(`const c = document.getElementById("charset");
    return c.hidden ? "-" : [...c.querySelectorAll("select")].map((s) => s.dataset.char.codePointAt(0).toString(16) + ":" +
      s.closest("tr").cells[1].textContent.replace(/,/g, "") + ":" + s.value).join(" ");`), rest),
  offer: (page, choices) => page.js(`for (const [code, value] of arguments[0].map((c) => c.split("="))) {
    const s = [...document.querySelectorAll("#charset select")].find((s) => s.dataset.char.codePointAt(0) === parseInt(code, 16));
    Object.assign(s, { value }).dispatchEvent(new Event("change"));
  }`, choices),
  // As a hand takes it, the button focused first.
  confirm: (page) => page.update(() => page.js("const b = document.getElementById('charset-go'); b.focus(); b.click();")),
};
