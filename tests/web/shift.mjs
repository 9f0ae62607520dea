// The hosted page's opening: its layout shifts, its description and
// robots.txt.
import { join } from "node:path";
import { ROOT, check } from "./page.mjs";

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
