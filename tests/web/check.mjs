// Tests the browser page, gridpin.html, opened from disk in Chromium,
// Firefox and WebKit (see browsers.mjs):
//
//   node check.mjs [--engines chromium,firefox,webkit] [--only TEXT | --timings]
//                  [--verbose] [--site DIR] --tool GRIDPIN [--out DIR] PAGE
//
// In every engine: each row of tests/cli/cases.tsv that converts a map,
// through the page's file input, the listing it saves against the row's,
// and its listing opened back as a map; each row of scenarios.tsv (whose
// name holds TEXT), the maps it saves held against what the native GRIDPIN
// writes for them; pictures as maps (alone with --only pictures); axe-core; nothing fetched. In Chromium
// alone: real downloads, touch, a phone's screen and a desktop's. Given DIR, the timings of bench/page.mjs go to
// DIR/timings.md and screenshots to DIR/drawing.png, DIR/phone.png,
// DIR/aids.png and DIR/image.png; given the site's folder, it is served by nginx and tested
// too: in Chromium installed, offline, updated and shared, elsewhere the
// case table, in all nothing fetched but its own.
import { cpSync, mkdirSync, mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { parseArgs } from "node:util";
import { launch } from "./browsers.mjs";
import { Page, ROOT, failures } from "./page.mjs";
import { act, scenarios } from "./scenarios.mjs";
import { cases } from "./cases.mjs";
import { dialogShot, dialogs, pictures } from "./pictures.mjs";
import { accessibility, sealed } from "./sealed.mjs";
import { chromium } from "./chromium.mjs";
import { forms } from "./forms.mjs";
import { hosted, serve } from "./hosted.mjs";
import { timingTable, timings } from "../../bench/page.mjs";

async function main() {
  const { values: opts, positionals } = parseArgs({ allowPositionals: true, options: Object.fromEntries(
    ["engines", "only", "tool", "out", "site", "timings", "verbose"]
      .map((o, i) => [o, { type: i < 5 ? "string" : "boolean" }])) });
  const url = pathToFileURL(resolve(positionals[0])).href, tmp = mkdtempSync(join(tmpdir(), "gridpin-page-")), timed = [];
  const all = !opts.only && !opts.timings;
  try {
    for (const engine of (opts.engines ?? "chromium,firefox,webkit").split(",")) {
      const scratch = join(tmp, engine), before = failures.length;
      mkdirSync(scratch);
      let browser = null;
      try {
        browser = await launch(engine, join(scratch, "profile"));
        const page = Object.assign(new Page(browser, url, scratch, resolve(opts.tool)), { verbose: opts.verbose });
        if (all) console.log(`${browser.version}: ${await cases(page)} rows of the case table`);
        if (!opts.timings) await scenarios(page, opts.only);
        if (all || opts.only === "forms") await forms(page);
        if (all || opts.only === "pictures") {
          await pictures(page);
          await dialogs(page);
        }
        if (all) {
          await accessibility(page);
          if (engine === "chromium") await chromium(page);
        }
        // The page may be in a tab of its own by now, which tells no version.
        if (opts.timings || (all && opts.out)) timed.push({ ...await timings(page), engine: browser.version });
        await sealed(page);
        if (opts.site && !opts.timings) {
          // A copy, for the test puts a new release in it.
          const root = join(scratch, "site");
          cpSync(resolve(opts.site), root, { recursive: true });
          const site = await serve(root, join(scratch, "nginx"));
          page.url = site.url;
          try {
            if (engine === "chromium") await hosted(page, site, root);
            else {
              console.log(`${browser.version}, hosted: ${await cases(page)} rows of the case table, ${await page.js(`
                await Promise.race([navigator.serviceWorker.ready, new Promise((r) => setTimeout(r, 5000))]);
                return navigator.serviceWorker.controller ? "its worker in control" : "no worker in control";`)}`);
            }
            await sealed(page);
          } finally {
            await site.stop();
            page.url = url;
          }
        }
        // The README's pictures: a desktop's screen and a phone's.
        if (engine === "chromium" && all && opts.out) {
          mkdirSync(opts.out, { recursive: true });
          for (const [shot, width, height, phone] of [["drawing", 1280, 720, false], ["phone", 360, 740, true]]) {
            await page.b.page.setViewport({ width, height, isMobile: phone, hasTouch: phone });
            await page.fresh();
            await page.loadPath(join(ROOT, "examples/room.map"));
            await act(page, "draw; click 5,5; keys s; drag 2,1 7,3");
            await page.b.mouse([{ move: await page.point(5, 5) }]);
            if (phone) await page.js("document.getElementById('picture').scrollIntoView()");
            await page.b.screenshot(join(opts.out, `${shot}.png`));
          }
          // The aids: a new map drawn mirrored both ways, Grid 4, the
          // pointer on a cell, the picture alone.
          await page.b.page.setViewport({ width: 1280, height: 720 });
          await page.fresh();
          await act(page, "dialog new 24 14 aids.map; draw; keys y y y g ]; drag 1,1 6,1 9,4; keys [ e; drag 3,4 10,12; keys r; shift-drag 8,7 8,8");
          await page.b.mouse([{ move: await page.point(17, 9) }]);
          const clip = await page.js(`const r = document.querySelector(".stage").getBoundingClientRect();
            return { x: r.left, y: r.top, width: r.width, height: r.height };`);
          await page.b.page.screenshot({ path: join(opts.out, "aids.png"), clip });
          await page.b.page.setViewport({ width: 1280, height: 900 });
          await dialogShot(page, join(opts.out, "image.png"));
        }
      } catch (e) {
        failures.push(`${engine}: ${e.message}`);
        console.log(`FAIL ${engine}: ${e.stack}`);
      } finally {
        await browser?.close();
      }
      console.log(`${engine}${browser ? `, ${browser.version}` : ""}: ${failures.length - before} failed`);
    }
    if (timed.length) {
      console.log(timingTable(timed));
      if (opts.out) {
        mkdirSync(opts.out, { recursive: true });
        writeFileSync(join(opts.out, "timings.md"), timingTable(timed));
      }
    }
  } finally {
    rmSync(tmp, { recursive: true, force: true });
  }
  console.log(`${failures.length} failed`);
  process.exitCode = failures.length ? 1 : 0;
}

await main();
