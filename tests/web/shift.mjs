// Where things are: scenarios.tsv's screens, marks of where the page's
// parts are and looks at them again; and the hosted page's opening: its
// layout shifts, its description and robots.txt.
import { join } from "node:path";
import { ROOT, check } from "./page.mjs";

// The parts that must stay put while the page tells and offers things:
// the picture's bar, the history's buttons, the picture, the listing's top.
const WATCHED = ["#picture > .bar", "#steps", "#canvas", "#listing"];

export const SHIFT_ACTIONS = {
  // The viewport W × H, "phone": a phone's, with touch (Chromium alone),
  // which Chromium takes on by loading the page again: the map kept first.
  async screen(page, [w, h, phone]) {
    if (phone) await page.kept();
    await page.b.size(+w, +h, phone === "phone");
    if (phone) await page.open();
    await page.frames();
  },
  // Where the watched parts are now, once the last change is drawn, and
  // in Chromium the layout shifts in the picture's column from now on (the
  // listing's column changes with the map's listing).
  async mark(page) {
    await page.frames();
    await page.js(`const watched = arguments[0];
      window.boxes = () => watched.map((s) => { const r = document.querySelector(s).getBoundingClientRect();
        return [s, r.left, r.top, r.width, s === "#listing" ? 0 : r.height].join(" "); });
      window.marked = boxes();
      window.shifted = [];
      if (PerformanceObserver.supportedEntryTypes?.includes("layout-shift")) {
        new PerformanceObserver((l) => shifted.push(...l.getEntries().flatMap((e) => e.sources)
          .filter((s) => document.getElementById("picture").contains(s.node)).map((s) => s.node.id || s.node.className)))
          .observe({ type: "layout-shift" });
      }`, WATCHED);
  },
  // Since the mark: nothing moved, and no layout shift.
  async still(page) {
    await page.frames();
    check(`${page.row}: nothing moved`, await page.js("return [boxes().filter((b, i) => b !== marked[i]), shifted]"), [[], []]);
  },
  // An element shown, all of it in the viewport as the page is scrolled.
  inview: async (page, [id]) => check(`${page.row}: #${id} in view`, await page.js(`const r = document.getElementById(arguments[0])
    .getBoundingClientRect();
    return r.height > 0 && r.top >= 0 && r.left >= 0 && r.bottom <= innerHeight && r.right <= innerWidth ||
      [r.left, r.top, r.right, r.bottom, innerWidth, innerHeight].map(Math.round).join(" ");`, id), true),
};

// The hosted page opens with a map brought back, on a phone's screen, over a
// slow network and processor: its layout shifts add up to less than 0.1.
export async function opening(page) {
  const { b } = page, slow = async (on) => {
    await b.page.setViewport({ width: on ? 360 : 1280, height: on ? 740 : 900, deviceScaleFactor: on ? 2 : 1, isMobile: on, hasTouch: on });
    for (const [method, params] of [["Network.setBypassServiceWorker", { bypass: on }], ["Network.setCacheDisabled", { cacheDisabled: on }],
      ["Network.emulateNetworkConditions", { offline: false, latency: on ? 150 : 0, downloadThroughput: on ? 2e5 : -1,
        uploadThroughput: on ? 1e5 : -1 }], ["Emulation.setCPUThrottlingRate", { rate: on ? 4 : 1 }]]) await b.cdp(method, params);
  };
  const observer = await b.preload(`window.shifts = 0; new PerformanceObserver((l) => {
    for (const e of l.getEntries()) if (!e.hadRecentInput) shifts += e.value; }).observe({ type: "layout-shift", buffered: true });`);
  try {
    await slow(true);
    await page.fresh();
    await page.loadPath(join(ROOT, "examples/room.map"));
    await page.kept();
    await page.open();
    await page.frames();
    const [shifts, line] = await page.js("return [shifts, document.getElementById('kept').textContent]");
    check("hosted: opening, layout shift under 0.1", [shifts < 0.1 || shifts, line.startsWith("Brought back")], [true, true]);
  } finally {
    await slow(false);
    await b.page.removeScriptToEvaluateOnNewDocument(observer.identifier);
  }
  check("hosted: a description and robots.txt", [(await page.js("return document.querySelector('meta[name=description]').content"))
    .includes("coordinate listing"), await (await fetch(new URL("robots.txt", page.url))).text()], [true, "User-agent: *\nAllow: /\n"]);
}
