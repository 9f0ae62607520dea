// How long the page takes to refuse a link that holds more than a map
// of 8 KiB, in each engine: from the address's fragment set (once the
// browser has taken it) to the refusal shown, five times each, for links
// of a map one byte too large, of 50 MB and of 1 GB of full stops, and of
// one cut short past its first 8 KiB. Asserts nothing.
//
//   xvfb-run -a node bench/links.mjs build/web/web/gridpin.html
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { deflateRawSync } from "node:zlib";
import { launch } from "../tests/web/browsers.mjs";
import { Page } from "../tests/web/page.mjs";
import { median } from "./page.mjs";

const url = pathToFileURL(resolve(process.argv[2])).href;
const cut = deflateRawSync(Buffer.from("O.".repeat(10000)));
const LINKS = { "8,193 bytes": deflateRawSync(Buffer.alloc(8193, ".")), "50 MB": deflateRawSync(Buffer.alloc(50e6, ".")),
  "1 GB": deflateRawSync(Buffer.alloc(1e9, ".")), "20,000 bytes cut short": cut.subarray(0, cut.length - 4) };

for (const engine of ["chromium", "firefox", "webkit"]) {
  const dir = mkdtempSync(join(tmpdir(), "gridpin-links-")), b = await launch(engine, join(dir, "profile"));
  try {
    const page = new Page(b, url, dir, "");
    await page.open();
    const row = [];
    for (const [name, packed] of Object.entries(LINKS)) {
      const times = [];
      for (let i = 0; i < 5; i++) {
        const took = await page.js(`const shared = document.getElementById("shared");
          shared.textContent = "";
          location.hash = arguments[0];
          const t0 = performance.now();
          while (!shared.textContent) await new Promise((r) => setTimeout(r, 1));
          history.replaceState(null, "", location.pathname);
          return performance.now() - t0;`, `#map=${packed.toString("base64url")}&i=${i}`).catch(() => null);
        if (took === null) break;
        times.push(took);
      }
      row.push(`${name}: ${times.length ? `${median(times).toFixed(1)} ms` : "the address refused by the engine"}`);
    }
    console.log(`${b.version}: ${row.join(", ")}`);
  } finally {
    await b.close();
    rmSync(dir, { recursive: true, force: true });
  }
}
