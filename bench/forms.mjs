// Times each form of a 1000 × 999 map at random, made and opened again
// (bench/page.mjs's forms), alone, in the engines named, as a Markdown
// table; the whole of bench/page.mjs takes far longer. Run under Xvfb:
//
//   node bench/forms.mjs chromium,firefox,webkit build/web/gridpin build/web/web/gridpin.html
import { mkdtempSync, mkdirSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { launch } from "../tests/web/browsers.mjs";
import { Page } from "../tests/web/page.mjs";
import { FORMS, forms } from "./page.mjs";

const [engines, tool, html] = process.argv.slice(2), tmp = mkdtempSync(join(tmpdir(), "gridpin-forms-")), rows = [];
for (const engine of engines.split(",")) {
  const scratch = join(tmp, engine);
  mkdirSync(scratch);
  const browser = await launch(engine, join(scratch, "profile"));
  try {
    rows.push({ engine: browser.version, ...await forms(new Page(browser, pathToFileURL(resolve(html)).href, scratch, resolve(tool))) });
  } finally {
    await browser.close();
  }
}
const f = (v) => v.toFixed(v < 10 ? 2 : 1);
console.log([`Medians of five in ms, ${rows.map((r) => r.engine).join(", ")}:`, "",
  `| 1000 × 999 at random | ${rows.map((r) => `${r.engine.split(" ")[0]} made | opened`).join(" | ")} |`,
  `|---|${rows.map(() => "---:|---:").join("|")}|`,
  ...Object.entries(FORMS).map(([k, title]) => `| ${title} | ${rows.map((r) => `${f(r.forms[k])} | ${f(r.formsOpened[k])}`).join(" | ")} |`)]
  .join("\n"));
process.exit(0);
