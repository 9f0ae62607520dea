// The site, hosted by Debian's nginx on 127.0.0.1.
import { spawn } from "node:child_process";
import { mkdirSync, readFileSync, writeFileSync } from "node:fs";
import { get } from "node:http";
import { SourceMap } from "node:module";
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

// What the host sends for a file asked for with these headers: its type,
// its encoding and its bytes as they came.
const sent = (url, headers) => new Promise((done, fail) => get(url, { headers }, (r) => {
  const chunks = [];
  r.on("data", (c) => chunks.push(c)).on("end", () =>
    done({ type: r.headers["content-type"], encoding: r.headers["content-encoding"] ?? "", vary: r.headers.vary ?? "", bytes: Buffer.concat(chunks) }));
}).on("error", fail));

// The README's block compresses the text files for a browser that takes
// gzip, none for one that does not, and none of the PNGs or the few
// bytes of robots.txt; the page's script names its source map, whose
// sources are the page's modules as written.
export async function served(site) {
  // file, type, compressed: whether it is sent gzip to a browser that
  // takes it (and so varies by Accept-Encoding).
  const rows = [["", "text/html; charset=utf-8", true], ["sw.js", "text/javascript; charset=utf-8", true],
    ["gridpin.js.map", "application/json", true], ["manifest.webmanifest", "application/manifest+json; charset=utf-8", true],
    ["icon.svg", "image/svg+xml", true], ["icon-192.png", "image/png", false], ["robots.txt", "text/plain", false]];
  for (const [file, type, compressed] of rows) {
    for (const gzip of [true, false]) {
      const got = await sent(new URL(file, site.url), gzip ? { "Accept-Encoding": "gzip" } : {});
      check(`hosted: ${file || "the page"} sent${gzip ? " to gzip" : ""}`, [got.type, got.encoding, got.vary],
        [type, gzip && compressed ? "gzip" : "", compressed ? "Accept-Encoding" : ""]);
    }
  }
  const page = (await sent(site.url, {})).bytes.toString("utf8"), map = JSON.parse((await sent(new URL("gridpin.js.map", site.url), {})).bytes);
  const main = map.sources.indexOf("main.js");
  check("hosted: the script's source map", [page.match(/\n\/\/# sourceMappingURL=(\S*)\n<\/script>/)?.[1],
    map.sources.every((s) => !s.startsWith("/") && !s.startsWith("..")), map.sourcesContent[main]],
  ["gridpin.js.map", true, readFileSync(join(ROOT, "web/main.js"), "utf8")]);
  // Code at the end of the script, past the module's base64, and code on
  // its line, each where the map says, in the sources as written.
  const script = page.slice(page.lastIndexOf('<script type="module">') + 22);
  for (const [code, file, written] of [['document.body.dataset.ready="yes"', "main.js", 'document.body.dataset.ready = "yes"'],
    ["Uint8Array.fromBase64", "conversion.js", "Uint8Array.fromBase64"]]) {
    const lines = script.slice(0, script.indexOf(code)).split("\n"), source = readFileSync(join(ROOT, "web", file), "utf8").split("\n");
    const line = source.findIndex((l) => l.includes(written));
    const at = new SourceMap(map).findEntry(lines.length - 1, lines.at(-1).length);
    check(`hosted: the source map: ${code}`, [at.originalSource, at.originalLine, at.originalColumn], [file, line, source[line].indexOf(written)]);
  }
}

// The site in Chromium: installable; its worker keeps it, so that with the
// server down it opens, converts and downloads a listing as the tool
// writes it; a new release's files replace the old ones; a link made on
// it opens its map in another profile.
export async function hosted(page, site, root) {
  await served(site);
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

  // The worker's cache named by the content of the site's files, as the
  // build hashes them: any change to them brings a worker of its own.
  const hash = (text) => sha256(Buffer.from(text));
  const listed = ["index.html", "manifest.webmanifest", "icon.svg", "icon-192.png", "icon-512.png"]
    .map((file) => `${sha256(readFileSync(join(root, file)))} ${file}\n`).join("");
  check("hosted: the worker's cache named by the files", readFileSync(join(root, "sw.js"), "utf8").match(/"gridpin-([^"]*)"/)?.[1],
    hash(listed).slice(0, 16));

  // The host's index.html edited alone: the page open offers it when it
  // comes back into view, and one reload shows it; offline after that, it
  // is the one kept.
  const next = (file, from, to) => writeFileSync(join(root, file), readFileSync(join(root, file), "utf8").replace(from, to));
  const footer = () => page.js("return document.querySelector('footer').textContent");
  const offered = async () => {
    for (let i = 0; i < 50 && (await page.js("return document.getElementById('update').hidden")); i++) await sleep(100);
    return page.js("const u = document.getElementById('update'); return u.hidden ? '' : u.textContent");
  };
  next("index.html", /gridpin ([^,]*), free software/, "gridpin $1-edited, free software");
  await page.js("document.dispatchEvent(new Event('visibilitychange'))");
  check("hosted: an edited page offered", await offered(), "A new version of gridpin is ready: Reload");
  await page.click("reload").catch(() => {});
  let shown = "";
  for (let i = 0; i < 50 && !shown.includes("-edited"); i++) {
    await sleep(100);
    shown = (await page.js("return document.body.dataset.ready && document.querySelector('footer').textContent").catch(() => "")) || "";
  }
  check("hosted: the edited page after one reload", shown.includes("-edited"), true);
  await site.stop();
  await page.open();
  check("hosted, offline: the edited page kept", (await footer()).includes("-edited"), true);
  await site.start();

  // A new build: its worker, named by the files' content, takes over,
  // and the page open offers the new version; one cache is left.
  next("sw.js", /gridpin-[^"]*/, "$&-next");
  next("index.html", /gridpin ([^,]*), free software/, "gridpin $1-next, free software");
  await page.js("await (await navigator.serviceWorker.ready).update()");
  check("hosted: a new build offered", await offered(), "A new version of gridpin is ready: Reload");
  await page.open();
  check("hosted: a new build replaces the old", [(await footer()).includes("-next"), (await page.js("return caches.keys()")).length],
    [true, 1]);

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
