// What a crash loses: the browser killed (SIGKILL) at moments after a
// stroke's end, then started again on the same profile, and the map it
// brings back looked at. A reload, a close or a navigation keep the last
// step as the page goes (the page's test holds that); a crash gives the
// page no word, so what is kept is what the keeping, 50 ms after
// a step, had written. Asserts nothing; prints, for each engine that
// puppeteer can kill (Chromium and Firefox), how many of the tries at
// each moment kept the stroke.
//
//   xvfb-run -a node bench/crash.mjs build/web/web/gridpin.html [TRIES]
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { launch } from "../tests/web/browsers.mjs";
import { Page, bin, sleep } from "../tests/web/page.mjs";

const MOMENTS = [0, 25, 50, 100, 200, 400];
const url = pathToFileURL(resolve(process.argv[2])).href, tries = +(process.argv[3] ?? 3);

for (const engine of ["chromium", "firefox"]) {
  const row = [];
  for (const ms of MOMENTS) {
    let kept = 0;
    for (let i = 0; i < tries; i++) {
      const dir = mkdtempSync(join(tmpdir(), "gridpin-crash-")), profile = join(dir, "profile");
      try {
        let b = await launch(engine, profile), page = new Page(b, url, dir, "");
        await page.fresh();
        await page.load(bin("..\n"));
        await page.kept();
        await page.drawing(true);
        await page.mouse([[1, 0]]);
        await sleep(ms);
        b.page.browser().process().kill("SIGKILL");
        await sleep(500);
        b = await launch(engine, profile);
        page = new Page(b, url, dir, "");
        await page.open();
        if ((await page.mapText()) === ".O\n") kept++;
        await b.close();
      } finally {
        rmSync(dir, { recursive: true, force: true });
      }
    }
    row.push(`${ms} ms: ${kept}/${tries}`);
  }
  console.log(`${engine}: ${row.join(", ")}`);
}
