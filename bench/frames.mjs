// The page's frames while a hand works it, in each engine: real mouse
// and wheel input from the engine's own driver, not events a script makes
// up, for what an engine's painting and compositing cost shows only so.
// On a 1000 × 999 map and a 20 × 20 one, each opened afresh: the frames
// of the first two seconds with nothing done, of three drags of 120 moves
// painting to and fro, and of three bursts of 30 turns of the wheel, each
// input 16 ms after the last. Medians and 95th percentiles of the times
// between frames, in ms; asserted nothing.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" node bench/frames.mjs [--engines chromium,firefox,webkit] PAGE
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { parseArgs } from "node:util";
import { launch } from "../tests/web/browsers.mjs";
import { Page, sleep } from "../tests/web/page.mjs";
import { median, p95 } from "./page.mjs";

const PACE = 16;

// The times between the frames while act runs.
async function frames(page, act) {
  await page.js(`window.frameTimes = []; window.framing = true;
    const next = (t) => { frameTimes.push(t); if (framing) requestAnimationFrame(next); };
    requestAnimationFrame(next);`);
  await act();
  const t = await page.js("framing = false; return frameTimes;");
  // An engine may run the callbacks twice in one frame (WebKit does, while
  // the wheel turns): one frame.
  const once = t.filter((v, i) => i === 0 || v - t[i - 1] >= 1);
  return once.slice(1).map((v, i) => v - once[i]);
}

async function measure(page) {
  const maps = { large: ("O".repeat(1000) + "\n").repeat(999), small: ("O".repeat(20) + "\n").repeat(20) };
  const out = {};
  for (const [size, text] of Object.entries(maps)) {
    const idle = [], drag = [], wheel = [];
    for (let i = 0; i < 3; i++) {
      await page.fresh();
      await page.load(Buffer.from(text));
      idle.push(...await frames(page, () => sleep(2000)));
      await page.drawing(true);
      // To and fro over eight rows, every move on a cell not yet painted.
      const path = [];
      for (let j = 0; j < 120; j++) path.push(await page.point(Math.floor(j / 15) % 2 ? 16 - (j % 15) : 2 + (j % 15), Math.floor(j / 15)));
      drag.push(...await frames(page, () => page.b.mouse([{ move: path[0] }, { down: 0 }, ...path.map((move) => ({ move })),
        { up: 0 }], null, PACE)));
      await page.drawing(false);
      const middle = await page.point(10, 10, 0, 0);
      wheel.push(...await frames(page, () => page.b.wheel(middle, Array.from({ length: 30 }, (_, j) => j < 15 ? -100 : 100),
        PACE)));
    }
    out[size] = Object.fromEntries(Object.entries({ idle, drag, wheel }).map(([k, v]) => [k, [median(v), p95(v)]]));
  }
  return out;
}

const { values: opts, positionals } = parseArgs({ allowPositionals: true, options: { engines: { type: "string" } } });
const url = pathToFileURL(resolve(positionals[0])).href, tmp = mkdtempSync(join(tmpdir(), "gridpin-frames-"));
const rows = [];
try {
  for (const engine of (opts.engines ?? "chromium,firefox,webkit").split(",")) {
    const b = await launch(engine, join(tmp, engine, "profile"));
    try {
      const got = await measure(new Page(b, url, join(tmp, engine), null));
      rows.push([b.version, got]);
      console.log(b.version, JSON.stringify(got));
    } finally {
      await b.close();
    }
  }
} finally {
  rmSync(tmp, { recursive: true, force: true });
}
const f = (v) => v.toFixed(1);
console.log(`\nTimes between frames, median / 95th percentile in ms, ${rows.map((r) => r[0]).join(", ")}:\n`);
console.log(`| | ${rows.map((r) => r[0].split(" ")[0]).join(" | ")} |\n|---|${rows.map(() => "---:").join("|")}|`);
for (const size of ["large", "small"]) {
  for (const [what, name] of [["idle", "two seconds after opening"], ["drag", "three drags"], ["wheel", "three bursts of the wheel"]]) {
    console.log(`| ${size === "large" ? "1000 × 999" : "20 × 20"}: ${name} | ${rows.map((r) => r[1][size][what].map(f).join(" / ")).join(" | ")} |`);
  }
}
