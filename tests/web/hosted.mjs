// The site, hosted by Debian's nginx on 127.0.0.1.
import { spawn } from "node:child_process";
import { mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { join } from "node:path";
import { freePort, launch } from "./browsers.mjs";
import { ROOT, Page, check, sha256, sleep } from "./page.mjs";
import { ACTIONS } from "./scenarios.mjs";
import { opening } from "./shift.mjs";

// The site served by Debian's nginx, as a process of the test's own on
// 127.0.0.1, with the server block of the site's README, its root the
// folder given; stop() and start() take it down and up on the same port.
export async function serve(root, prefix) {
  const block = readFileSync(join(root, "README"), "utf8").match(/^ {4}server \{$[^]*?^ {4}\}$/m)[0], port = await freePort();
  mkdirSync(prefix, { recursive: true });
  writeFileSync(join(prefix, "nginx.conf"), [process.getuid?.() === 0 ? "user root;" : "", `pid ${prefix}/nginx.pid;`,
    `error_log ${prefix}/error.log;`, "events {}", "http {", "access_log off;",
    block.replace("listen 80;", `listen 127.0.0.1:${port};`).replace("root /srv/gridpin;", `root ${root};`), "}"].join("\n"));
  let nginx = null;
  const site = {
    url: `http://127.0.0.1:${port}/`,
    async start() {
      nginx = spawn("/usr/sbin/nginx", ["-p", prefix, "-c", join(prefix, "nginx.conf"), "-g", "daemon off;"], { stdio: "inherit" });
      for (let i = 0; !(await fetch(site.url).then(() => true, () => false)); i++) {
        if (i === 50) throw new Error("nginx did not start");
        await sleep(100);
      }
    },
    stop: () => new Promise((done) => nginx.exitCode !== null || nginx.signalCode ? done() : nginx.on("exit", done).kill()),
  };
  await site.start();
  return site;
}

// The site in Chromium: installable; its worker keeps it, so that with the
// server down it opens, converts and downloads a listing as the tool
// writes it; a new release's files replace the old ones; a link made on
// it opens its map in another profile.
export async function hosted(page, site, root) {
  await page.fresh();
  await page.js("await navigator.serviceWorker.ready");
  const manifest = await page.b.cdp("Page.getAppManifest", {});
  check("hosted: the manifest, installable", [manifest.url, manifest.errors,
    (await page.b.cdp("Page.getInstallabilityErrors", {})).installabilityErrors], [`${site.url}manifest.webmanifest`, [], []]);
  await page.open();
  check("hosted: its worker in control", await page.js("return !!navigator.serviceWorker.controller"), true);
  await site.stop();
  await page.open();
  await page.loadPath(join(ROOT, "examples/room.map"));
  check("hosted, offline: the listing", sha256((await page.download("lf")).bytes), sha256(readFileSync(join(ROOT, "examples/room.lst"))));
  await site.start();

  // Another release on the host, which a visit checks for: its files come.
  const next = (file, from, to) => writeFileSync(join(root, file), readFileSync(join(root, file), "utf8").replace(from, to));
  next("sw.js", /gridpin-[^"]*/, "$&-next");
  next("index.html", /gridpin ([^,]*), free software/, "gridpin $1-next, free software");
  let footer = "";
  for (let i = 0; i < 10 && !footer.includes("-next"); i++) {
    await page.js(`const w = navigator.serviceWorker, changed = new Promise((r) => w.addEventListener("controllerchange", r));
      await (await w.ready).update();
      await Promise.race([changed, new Promise((r) => setTimeout(r, 2000))]);`);
    await page.open();
    footer = await page.js("return document.querySelector('footer').textContent");
  }
  check("hosted: a new release replaces the old", [footer.includes("-next"), (await page.js("return caches.keys()")).length], [true, 1]);

  await page.loadPath(join(ROOT, "examples/room.map"));
  await ACTIONS.share(page);
  check("hosted: a link for anyone", (await page.text("shared")).includes("this computer"), false);
  const other = await launch("chromium", join(page.scratch, "second profile"));
  try {
    const second = new Page(other, await page.js("return document.getElementById('link').value"), page.scratch, page.tool);
    await second.open();
    check("hosted: a link opened in another profile", await second.mapText(), readFileSync(join(ROOT, "examples/room.map"), "latin1"));
  } finally {
    await other.close();
  }
  await opening(page);
}
