// The hosted page's opening as Lighthouse's mobile preset scores it: the
// site served by Debian's nginx on 127.0.0.1 with the server block of its
// README, as the page's test serves it, and Lighthouse (from npm, as
// bench/package-lock.json has it) driving Debian's Chromium, with its
// default simulated throttling (a slow 4G network, 4x CPU slowdown):
//
//   node bench/lighthouse.mjs [--runs N] [--json DIR] SITE
//
// prints, run by run, the performance score, the total blocking time, the
// script unused at the start and the bytes sent; with --json, each run's
// whole report goes to DIR/run-N.json.
//
// Lighthouse times the page's tasks by the clock, so on a machine whose
// cores other jobs keep busy a task waits for a core within itself and
// counts long. Beside its figures each run prints the load average and the
// same blocking time reckoned from the main thread's CPU time alone (each
// task after the first paint, from the trace, 4 times slower, less 50 ms),
// and the longest task's CPU time so slowed: what the page itself costs.
import { mkdirSync, mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { loadavg, tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { parseArgs } from "node:util";
import * as chromeLauncher from "chrome-launcher";
import lighthouse from "lighthouse";
import { serve } from "../tests/web/hosted.mjs";

const { values: opts, positionals } = parseArgs({ allowPositionals: true,
  options: { runs: { type: "string", default: "3" }, json: { type: "string" } } });
if (positionals.length !== 1) {
  console.error("usage: node bench/lighthouse.mjs [--runs N] [--json DIR] SITE");
  process.exit(2);
}
const tmp = mkdtempSync(join(tmpdir(), "gridpin-lighthouse-"));
const site = await serve(resolve(positionals[0]), join(tmp, "nginx"));
const kib = (bytes) => (bytes / 1024).toFixed(1);

// The main thread's tasks after the first paint, in CPU ms slowed 4 times.
function cpuTasks(trace) {
  const events = trace.traceEvents;
  const nav = events.find((e) => e.name === "navigationStart" && e.args?.data?.isLoadingMainFrame &&
    e.args.data.documentLoaderURL?.startsWith("http"));
  const fcp = events.find((e) => e.name === "firstContentfulPaint" && e.pid === nav.pid)?.ts ?? nav.ts;
  return events.filter((e) => e.pid === nav.pid && e.tid === nav.tid && e.name === "RunTask" && e.ts >= fcp && e.tdur !== undefined)
    .map((e) => 4 * e.tdur / 1000);
}
let version = "";
try {
  console.log(`${site.url}, Lighthouse's mobile preset (simulated throttling, 4x CPU slowdown)`);
  console.log("run  score  TBT ms  FCP ms  LCP ms  unused JS KiB  sent KiB  load  CPU TBT ms  longest CPU ms");
  for (let run = 1; run <= Number(opts.runs); run++) {
    // A fresh browser and profile each run: nothing cached, no worker.
    mkdirSync(join(tmp, `profile-${run}`));
    const chrome = await chromeLauncher.launch({ chromePath: process.env.CHROME_PATH ?? "/usr/bin/chromium",
      chromeFlags: ["--headless=new", "--no-sandbox"], userDataDir: join(tmp, `profile-${run}`) });
    try {
      const load = loadavg()[0];
      const { lhr, artifacts } = await lighthouse(site.url, { port: chrome.port, onlyCategories: ["performance"], logLevel: "error" });
      version = `Lighthouse ${lhr.lighthouseVersion}, ${lhr.environment.hostUserAgent.match(/(?:Headless)?Chrome\/[\d.]+/)}`;
      if (lhr.runtimeError) throw new Error(`${lhr.runtimeError.code}: ${lhr.runtimeError.message}`);
      const a = lhr.audits, ms = (id) => Math.round(a[id].numericValue), cpu = cpuTasks(artifacts.Trace);
      console.log([String(run).padEnd(3), lhr.categories.performance.score.toFixed(2).padStart(5),
        String(ms("total-blocking-time")).padStart(7), String(ms("first-contentful-paint")).padStart(7),
        String(ms("largest-contentful-paint")).padStart(7),
        kib(a["unused-javascript"].details?.overallSavingsBytes ?? 0).padStart(14),
        kib(a["total-byte-weight"].numericValue).padStart(9), load.toFixed(1).padStart(4),
        String(Math.round(cpu.reduce((sum, t) => sum + Math.max(0, t - 50), 0))).padStart(10),
        String(Math.round(Math.max(0, ...cpu))).padStart(14)].join("  "));
      if (opts.json) {
        mkdirSync(opts.json, { recursive: true });
        writeFileSync(join(opts.json, `run-${run}.json`), JSON.stringify(lhr, null, 1));
      }
    } finally {
      await chrome.kill();
    }
  }
  console.log(version);
} finally {
  await site.stop();
  rmSync(tmp, { recursive: true, force: true });
}
