// axe-core in the page's states, and nothing leaving the page.
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { ROOT, bin, check } from "./page.mjs";

// axe-core in the page's states: no serious or critical violation; and the
// face in which map text's O and 0 differ, loaded.
export async function accessibility(page) {
  await page.fresh();
  check("map text's own face for O, . and 0", await page.js(`const faces = await document.fonts.load('14px "gridpin cells"', "O.0");
    return [faces.length, getComputedStyle(document.getElementById("text")).fontFamily.split(",")[0].replace(/"/g, "")];`), [1, "gridpin cells"]);
  for (const [state, reach] of [["empty", () => {}], ["converted", () => page.loadPath(join(ROOT, "examples/room.map"))],
    ["drawing", () => page.drawing(true)], ["selecting", () => page.keys("Control+a")], ["resizing", () => page.click("resize")],
    ["refused", () => page.js("document.getElementById('resize-dialog').close()").then(() => page.load(bin("O.\n.0\n")))]]) {
    await reach();
    await axe(page, state);
  }
}

// axe-core's serious and critical violations in the page as it is: none.
export async function axe(page, state) {
  if (await page.js("return typeof axe") === "undefined") {
    await page.js(readFileSync(join(ROOT, "tests/web/node_modules/axe-core/axe.min.js"), "utf8"));
  }
  check(`axe, ${state}`, await page.js(`const r = await axe.run(document, { resultTypes: ["violations"] });
    return r.violations.filter((v) => v.impact === "serious" || v.impact === "critical")
      .map((v) => v.id + ": " + v.nodes.map((n) => n.target.join(" ")).join(", "));`), []);
}

// Nothing leaves the page: its policy refuses an outside image and a
// fetch, and the icon, a data URL, shows; from disk it has no worker; the
// browser's own log of requests, of all the test has done, holds no
// address but the page's own folder's and data, blob and about URLs.
export async function sealed(page) {
  await page.fresh();
  check("policy and icon", await page.js(`const refused = [];
    document.addEventListener("securitypolicyviolation", (e) => refused.push(e.effectiveDirective));
    const load = (src) => new Promise((done) => Object.assign(new Image(), {
      onload() { done(this.naturalWidth); }, onerror: () => done(0), src }));
    const icon = await load(document.querySelector('link[rel="icon"]').href);
    const image = await load("https://gridpin.invalid/picture.png");
    const fetched = await fetch("https://gridpin.invalid/").then(() => "fetched", () => "refused");
    await new Promise((r) => setTimeout(r, 100));
    return [icon, image, fetched, [...new Set(refused)].sort()];`), [32, 0, "refused", ["connect-src", "img-src"]]);
  if (page.url.startsWith("file:")) {
    check("from disk: no worker", await page.js(`try { return (await navigator.serviceWorker?.getRegistrations())?.length ?? 0; }
      catch { return 0; }`), 0);
  }
  const requests = page.b.requests(), own = page.url.replace(/[^/]*$/, "");
  if (!requests) return;
  check("requests logged", requests.length > 0, true);
  check("nothing fetched", requests.filter((u) => !u.startsWith(own) && !/^(data|blob|about):/.test(u)), []);
}
