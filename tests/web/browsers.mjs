// The three browser engines the page is tested in, all from Debian's
// packages, behind one small interface: Chromium over the DevTools
// protocol and Firefox ESR over WebDriver BiDi, both through puppeteer-core,
// and WebKitGTK's MiniBrowser through its WebKitWebDriver, with
// selenium-webdriver (under Xvfb: MiniBrowser opens a real window). None is
// ever downloaded.
//
//   const b = await launch("chromium" | "firefox" | "webkit", profileDir);
//   await b.open(url); await b.js("return 1 + arguments[0]", 1); ...
//
// Points are CSS pixels of the viewport; buttons 0, 1 and 2 are the left,
// middle and right; keys are names such as "z", "Space", "ArrowRight" or
// "Control+Shift+z", and mouse() holds one down, if told, throughout.
// requests() tells the addresses the page has asked for
// since the last call, but for those its policy refused (null in WebKit,
// whose driver keeps no log of them); dialogs() the types of the prompts
// the page has raised since, each accepted; preload(script) runs a script
// before the page's own on every load (neither in WebKit).
import { spawn } from "node:child_process";
import { createServer } from "node:net";
import puppeteer from "puppeteer-core";
import { Builder, Button, Key } from "selenium-webdriver";

const VIEWPORT = { width: 1280, height: 900 };
const split = (combo) => combo.length > 1 ? combo.split("+") : [combo];
// Chromium reaches for Google's services unless told not to; there is no
// network here to reach. As root it runs only without its sandbox.
const CHROMIUM_FLAGS = ["--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu", "--disable-quic",
  "--no-first-run", "--disable-background-networking", "--disable-component-update", "--disable-sync"];

export function launch(engine, profile) {
  if (engine === "webkit") return webkit();
  if (engine === "chromium" || engine === "firefox") return puppet(engine, profile);
  throw new Error(`no such engine: ${engine}`);
}

async function puppet(engine, profile) {
  const chromium = engine === "chromium";
  const browser = await puppeteer.launch({
    browser: chromium ? "chrome" : "firefox", executablePath: chromium ? "/usr/bin/chromium" : "/usr/bin/firefox-esr",
    protocol: chromium ? "cdp" : "webDriverBiDi", headless: true, userDataDir: profile, defaultViewport: VIEWPORT,
    args: chromium ? CHROMIUM_FLAGS : [],
  });
  const page = (await browser.pages())[0] ?? await browser.newPage();
  await page.setViewport(VIEWPORT);
  const session = chromium ? await page.createCDPSession() : null;
  let requested = [], dialogs = [];
  const refused = new Set();
  page.on("request", (r) => requested.push(r));
  if (session) {
    await session.send("Network.enable");
    session.on("Network.loadingFailed", (e) => e.blockedReason === "csp" && refused.add(e.requestId));
  }
  page.on("dialog", (d) => {
    dialogs.push(d.type());
    d.accept();
  });
  const BUTTONS = ["left", "middle", "right"];
  const KEYS = { Space: " " };
  return {
    engine, page, version: (await browser.version()).replace("/", " "),
    open: (url) => page.goto(url),
    // As a string, run by the driver: the page's policy allows no eval.
    js: (body, ...args) => page.evaluate(`(async function () {\n${body}\n}).apply(null, ${JSON.stringify(args)})`),
    upload: async (selector, path) => (await page.$(selector)).uploadFile(path),
    async mouse(steps, hold) {
      if (hold) await page.keyboard.down(hold);
      for (const { move, down, up } of steps) {
        if (move) await page.mouse.move(...move);
        else if (down !== undefined) await page.mouse.down({ button: BUTTONS[down] });
        else await page.mouse.up({ button: BUTTONS[up] });
      }
      if (hold) await page.keyboard.up(hold);
    },
    async keys(...combos) {
      for (const combo of combos) {
        const keys = split(combo).map((k) => KEYS[k] ?? k);
        for (const k of keys) await page.keyboard.down(k);
        for (const k of keys.reverse()) await page.keyboard.up(k);
      }
    },
    type: (text) => page.keyboard.type(text),
    screenshot: (path) => page.screenshot({ path }),
    preload: (script) => page.evaluateOnNewDocument(script),
    cdp: (method, params) => session.send(method, params),
    requests() {
      const urls = requested.filter((r) => !refused.has(r.id)).map((r) => r.url());
      requested = [];
      return urls;
    },
    dialogs() {
      const seen = dialogs;
      dialogs = [];
      return seen;
    },
    close: () => browser.close(),
  };
}

const freePort = () => new Promise((resolve) => {
  const server = createServer().listen(0, "127.0.0.1", () => {
    const { port } = server.address();
    server.close(() => resolve(port));
  });
});

async function webkit() {
  const port = await freePort();
  const driver = spawn("/usr/bin/WebKitWebDriver", [`--port=${port}`], { stdio: "ignore" });
  let d;
  for (let i = 0; !d; i++) {
    try {
      d = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
        browserName: "MiniBrowser",
        "webkitgtk:browserOptions": { binary: "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser", args: ["--automation"] },
      }).build();
    } catch (e) {
      if (i === 50) throw e;
      await new Promise((r) => setTimeout(r, 100));
    }
  }
  await d.manage().window().setRect(VIEWPORT);
  const caps = await d.getCapabilities();
  const named = { Space: Key.SPACE, Backspace: Key.BACK_SPACE };
  const key = (k) => named[k] ?? Key[k.replace(/^Arrow/, "Arrow_").toUpperCase()] ?? k;
  return {
    engine: "webkit", version: `WebKitGTK ${caps.get("browserVersion")}`,
    open: (url) => d.get(url),
    js: (body, ...args) => d.executeScript(body, ...args),
    upload: async (selector, path) => (await d.findElement({ css: selector })).sendKeys(path),
    async mouse(steps, hold) {
      const a = d.actions({ async: true });
      if (hold) a.keyDown(key(hold));
      for (const { move, down, up } of steps) {
        if (move) a.move({ x: Math.round(move[0]), y: Math.round(move[1]), origin: "viewport" });
        else if (down !== undefined) a.press([Button.LEFT, Button.MIDDLE, Button.RIGHT][down]);
        else a.release([Button.LEFT, Button.MIDDLE, Button.RIGHT][up]);
      }
      if (hold) a.keyUp(key(hold));
      await a.perform();
    },
    async keys(...combos) {
      const a = d.actions({ async: true });
      for (const combo of combos) {
        const keys = split(combo).map(key);
        for (const k of keys) a.keyDown(k);
        for (const k of keys.reverse()) a.keyUp(k);
      }
      await a.perform();
    },
    type: (text) => d.actions({ async: true }).sendKeys(text).perform(),
    screenshot: async (path) => (await import("node:fs")).writeFileSync(path, await d.takeScreenshot(), "base64"),
    preload: null,
    requests: () => null,
    async close() {
      await d.quit().catch(() => {});
      driver.kill();
    },
  };
}
