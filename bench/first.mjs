// A newcomer's first exact result, in actions: from the page opened to a
// saved 8 × 8 map holding a drawn square, as the page's test drives it.
// Draw is pressed only where the new map is not drawn on at once. Prints
// each action and their count; fails if the map saved is not the square.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" node bench/first.mjs [--engines chromium,firefox,webkit] PAGE
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { parseArgs } from "node:util";
import { launch } from "../tests/web/browsers.mjs";
import { Page } from "../tests/web/page.mjs";

const SQUARE = "........\n" + ".OOOOOO.\n" + ".O....O.\n".repeat(4) + ".OOOOOO.\n" + "........\n";

const { values: opts, positionals } = parseArgs({ allowPositionals: true, options: { engines: { type: "string" } } });
const url = pathToFileURL(resolve(positionals[0])).href, tmp = mkdtempSync(join(tmpdir(), "gridpin-first-"));
try {
  for (const engine of (opts.engines ?? "chromium").split(",")) {
    const b = await launch(engine, join(tmp, engine)), page = new Page(b, url, tmp, null), done = [];
    const act = async (what, fn) => { done.push(what); await fn(); };
    const field = (id, value) => page.js(`Object.assign(document.getElementById(arguments[0]), { value: arguments[1] })
      .dispatchEvent(new Event("input"));`, id, value);
    try {
      await page.fresh();
      await act("New map", () => page.click("new"));
      await act("name", () => field("new-name", "square"));
      await act("size", async () => { await field("new-width", "8"); await field("new-height", "8"); });
      await act("Make the map", () => page.update(() => page.click("new-make")));
      if (await page.js("return document.getElementById('draw').getAttribute('aria-pressed')") !== "true") {
        await act("Draw", () => page.click("draw"));
      }
      await act("Rectangle", () => page.js("document.querySelector('[data-tool=rectangle]').click()"));
      await act("drag", () => page.mouse([[1, 1], [6, 6]]));
      let saved;
      await act("Save map", async () => { saved = await page.saveMap(); });
      const exact = saved.name === "square.map" && saved.bytes.toString("latin1") === SQUARE;
      console.log(`${b.version}: ${done.length} actions (${done.join(", ")}); ${exact ? "the square saved" : "NOT the square"}`);
      if (!exact) process.exitCode = 1;
    } finally {
      await b.close();
    }
  }
} finally {
  rmSync(tmp, { recursive: true, force: true });
}
