// The three browser engines the page is tested in, all from Debian's
// packages, behind one small interface: Chromium through chromedriver and
// WebKitGTK's MiniBrowser through WebKitWebDriver, both over classic
// WebDriver, and Firefox ESR over WebDriver BiDi through puppeteer-core,
// since Debian has no driver for Firefox. None is ever downloaded.
//
//   const b = await launch("chromium" | "firefox" | "webkit", profileDir);
//   await b.open(url); await b.js("return 1 + arguments[0]", 1); ...
//
// b.requests() tells every address that pages have requested since the
// last call, but for those their policy refused, from the browser's own log
// (null in WebKit, which keeps none for us).
//
// Points are CSS pixels of the viewport; keys are names such as "z",
// "Space", "ArrowRight" or "Control+Shift+z".
import { spawn } from "node:child_process";
import { writeFile } from "node:fs/promises";
import { createServer } from "node:net";

const KEYS = {
  Control: "\uE009", Shift: "\uE008", Meta: "\uE03D", Alt: "\uE00A", Space: " ", Enter: "\uE007",
  Escape: "\uE00C", Tab: "\uE004", Backspace: "\uE003", Delete: "\uE017",
  ArrowLeft: "\uE012", ArrowUp: "\uE013", ArrowRight: "\uE014", ArrowDown: "\uE015",
};
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const freePort = () => new Promise((resolve) => {
  const server = createServer().listen(0, "127.0.0.1", () => {
    const { port } = server.address();
    server.close(() => resolve(port));
  });
});

// Chromium reaches for Google's services unless told not to; there is no
// network here to reach. As root it runs only without its sandbox.
const CHROMIUM_FLAGS = ["--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
  "--disable-quic", "--no-first-run", "--disable-background-networking", "--disable-component-update",
  "--disable-sync", "--window-size=1280,900"];

export async function launch(engine, profile) {
  if (engine === "firefox") return bidi(profile);
  if (engine === "chromium") {
    return classic(engine, "/usr/bin/chromedriver", {
      browserName: "chrome",
      "goog:chromeOptions": { binary: "/usr/bin/chromium", args: [...CHROMIUM_FLAGS, `--user-data-dir=${profile}`] },
      "goog:loggingPrefs": { performance: "ALL" },
    });
  }
  if (engine === "webkit") {
    // Under xvfb-run: MiniBrowser opens a real window.
    return classic(engine, "/usr/bin/WebKitWebDriver", {
      "webkitgtk:browserOptions": {
        binary: "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser", args: ["--automation"],
      },
    });
  }
  throw new Error(`no such engine: ${engine}`);
}

async function classic(engine, driverPath, capabilities) {
  const port = await freePort();
  const driver = spawn(driverPath, [`--port=${port}`], { stdio: "ignore" });
  const base = `http://127.0.0.1:${port}`;
  const call = async (method, path, body) => {
    const r = await fetch(base + path, {
      method, headers: { "content-type": "application/json" }, body: body && JSON.stringify(body),
    });
    const reply = await r.json();
    if (!r.ok) throw new Error(`${engine} ${method} ${path}: ${JSON.stringify(reply.value).slice(0, 500)}`);
    return reply.value;
  };
  for (let i = 0; ; i++) {
    try {
      if ((await fetch(base + "/status")).ok) break;
    } catch (e) {
      if (i === 100) throw e;
    }
    await sleep(100);
  }
  const session = await call("POST", "/session", { capabilities: { alwaysMatch: capabilities } });
  const s = `/session/${session.sessionId}`;
  const actions = async (source) => {
    await call("POST", `${s}/actions`, { actions: [source] });
    await call("DELETE", `${s}/actions`);
  };
  const keyActions = (combo) => {
    const keys = combo.split("+").map((k) => KEYS[k] ?? k);
    return [...keys.map((value) => ({ type: "keyDown", value })),
      ...keys.reverse().map((value) => ({ type: "keyUp", value }))];
  };
  return {
    engine,
    version: `${session.capabilities.browserName} ${session.capabilities.browserVersion}`,
    open: (url) => call("POST", `${s}/url`, { url }),
    js: (body, ...args) => call("POST", `${s}/execute/sync`, { script: body, args }),
    async upload(selector, path) {
      const element = Object.values(await call("POST", `${s}/element`, { using: "css selector", value: selector }))[0];
      await call("POST", `${s}/element/${element}/value`, { text: path });
    },
    mouse: (steps) => actions({
      type: "pointer", id: "mouse", parameters: { pointerType: "mouse" },
      actions: steps.map((step) => step.move
        ? { type: "pointerMove", origin: "viewport", x: Math.round(step.move[0]), y: Math.round(step.move[1]) }
        : { type: step.down !== undefined ? "pointerDown" : "pointerUp", button: step.down ?? step.up }),
    }),
    keys: (...combos) => actions({ type: "key", id: "keys", actions: combos.flatMap(keyActions) }),
    type: (text) => actions({ type: "key", id: "keys",
      actions: [...text].flatMap((value) => [{ type: "keyDown", value }, { type: "keyUp", value }]) }),
    async screenshot(path) {
      await writeFile(path, Buffer.from(await call("GET", `${s}/screenshot`), "base64"));
    },
    // The DevTools protocol, through chromedriver: touch and downloads.
    cdp: (cmd, params) => call("POST", `${s}/goog/cdp/execute`, { cmd, params }),
    async requests() {
      if (engine !== "chromium") return null;
      const log = (await call("POST", `${s}/se/log`, { type: "performance" }))
        .map((entry) => JSON.parse(entry.message).message);
      const refused = new Set(log.filter((m) => m.method === "Network.loadingFailed" && m.params.blockedReason === "csp")
        .map((m) => m.params.requestId));
      return log.filter((m) => m.method === "Network.requestWillBeSent" && !refused.has(m.params.requestId))
        // Not those of the browser's own pages, its new tab's say.
        .filter((m) => !m.params.documentURL.startsWith("chrome:")).map((m) => m.params.request.url);
    },
    async close() {
      await call("DELETE", s).catch(() => {});
      driver.kill();
    },
  };
}

async function bidi(profile) {
  const { default: puppeteer } = await import("puppeteer-core");
  const browser = await puppeteer.launch({
    browser: "firefox", executablePath: "/usr/bin/firefox-esr", headless: true, userDataDir: profile,
    protocol: "webDriverBiDi", defaultViewport: { width: 1280, height: 900 },
  });
  const page = (await browser.pages())[0] ?? await browser.newPage();
  let requested = [];
  page.on("request", (r) => requested.push(r.url()));
  const BUTTONS = ["left", "middle", "right"];
  const press = async (combo) => {
    const keys = combo.split("+").map((k) => k === "Space" ? " " : k);
    for (const k of keys) await page.keyboard.down(k);
    for (const k of keys.reverse()) await page.keyboard.up(k);
  };
  return {
    engine: "firefox",
    version: await browser.version(),
    open: (url) => page.goto(url),
    // As a string, run by the driver: the page's policy allows no eval.
    js: (body, ...args) => page.evaluate(`(async function () {\n${body}\n}).apply(null, ${JSON.stringify(args)})`),
    upload: async (selector, path) => (await page.$(selector)).uploadFile(path),
    async mouse(steps) {
      for (const step of steps) {
        if (step.move) await page.mouse.move(step.move[0], step.move[1]);
        else if (step.down !== undefined) await page.mouse.down({ button: BUTTONS[step.down] });
        else await page.mouse.up({ button: BUTTONS[step.up] });
      }
    },
    async keys(...combos) {
      for (const combo of combos) await press(combo);
    },
    type: (text) => page.keyboard.type(text),
    screenshot: (path) => page.screenshot({ path }),
    requests() {
      const urls = requested;
      requested = [];
      return urls;
    },
    close: () => browser.close(),
  };
}
