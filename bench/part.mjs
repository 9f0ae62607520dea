// Times one part of bench/page.mjs alone, in the engines named, as a
// Markdown table; the whole of it takes far longer. Run under Xvfb:
//
//   node bench/part.mjs forms chromium,firefox,webkit build/web/gridpin build/web/web/gridpin.html
//
// forms: each form of a 1000 × 999 map at random, made and opened again;
// dialog: the image's dialog for photos of 1000 × 1000 and 4000 × 3000.
import { mkdtempSync, mkdirSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { launch } from "../tests/web/browsers.mjs";
import { Page } from "../tests/web/page.mjs";
import { FORMS, dialog, dialogLines, forms } from "./page.mjs";

const [part, engines, tool, html] = process.argv.slice(2), tmp = mkdtempSync(join(tmpdir(), "gridpin-part-")), rows = [];
if (!["forms", "dialog"].includes(part)) throw new Error("the part is forms or dialog");
for (const engine of engines.split(",")) {
  const scratch = join(tmp, engine);
  mkdirSync(scratch);
  const browser = await launch(engine, join(scratch, "profile"));
  try {
    const page = new Page(browser, pathToFileURL(resolve(html)).href, scratch, resolve(tool));
    rows.push({ engine: browser.version, ...await (part === "forms" ? forms : dialog)(page) });
  } finally {
    await browser.close();
  }
}
const f = (v) => v.toFixed(v < 10 ? 2 : 1), names = rows.map((r) => r.engine.split(" ")[0]);
console.log([`Medians in ms, ${rows.map((r) => r.engine).join(", ")}:`, "", ...part === "forms" ? [
  `| 1000 × 999 at random | ${names.map((n) => `${n} made | opened`).join(" | ")} |`,
  `|---|${rows.map(() => "---:|---:").join("|")}|`,
  ...Object.entries(FORMS).map(([k, title]) => `| ${title} | ${rows.map((r) => `${f(r.forms[k])} | ${f(r.formsOpened[k])}`).join(" | ")} |`)] : [
  `| the image's dialog | ${names.join(" | ")} |`, `|---|${rows.map(() => "---:").join("|")}|`,
  ...dialogLines.map(([what, of]) => `| ${what} | ${rows.map((r) => f(of(r))).join(" | ")} |`)]].join("\n"));
process.exit(0);
