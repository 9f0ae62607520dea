// The three engines the page is tested in, all from Debian's packages and
// none ever downloaded, behind one small interface: Chromium over the
// DevTools protocol and Firefox ESR over WebDriver BiDi, both through
// puppeteer-core, and WebKitGTK's MiniBrowser through WebKitWebDriver and
// selenium-webdriver (under Xvfb: it opens a real window).
//
//   const b = await launch("chromium" | "firefox" | "webkit", profileDir);
//   await b.open(url); await b.js("return 1 + arguments[0]", 1); ...
//
// Points are CSS pixels of the viewport; buttons 0, 1, 2 the left, middle
// and right; keys names such as "Space" or "Control+Shift+z", and mouse()
// holds one down throughout if told, and takes pace ms over each move if
// told; wheel(point, deltas, pace) turns the wheel over a point, pace ms
// apart. requests() gives the addresses asked for since the last call,
// but those the page's policy refused, dialogs() the prompts raised, each
// accepted; preload(script) runs a script before the page's own. WebKit's
// driver gives none of these three. tab() opens another tab of the same
// browser with the same interface (in WebKit a window: a tab out of sight
// draws no frames), front() brings a tab to the front, shut() closes it as
// a user does, its page told. size(width, height, phone) makes the viewport
// so large (phone: a phone's, with touch, in Chromium alone), size() as it
// was.
import { spawn } from "node:child_process";
import { createServer } from "node:net";
import puppeteer from "puppeteer-core";
import { Builder, Button, Key } from "selenium-webdriver";

const VIEWPORT = { width: 1280, height: 900 };
const split = (combo) => combo.length > 1 ? combo.split("+") : [combo];

export function launch(engine, profile) {
  if (engine === "chromium" || engine === "firefox") return puppet(engine, profile);
  if (engine === "webkit") return webkit();
  throw new Error(`no such engine: ${engine}`);
}

async function puppet(engine, profile) {
  const chromium = engine === "chromium";
  const browser = await puppeteer.launch({
    browser: chromium ? "chrome" : "firefox", executablePath: chromium ? "/usr/bin/chromium" : "/usr/bin/firefox-esr",
    protocol: chromium ? "cdp" : "webDriverBiDi", headless: true, userDataDir: profile, defaultViewport: VIEWPORT,
    // Chromium reaches for Google's services unless told not to, and as
    // root runs only without its sandbox.
    args: chromium ? ["--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"] : [],
  });
  const b = await tab((await browser.pages())[0] ?? await browser.newPage());
  return Object.assign(b, { version: (await browser.version()).replace("/", " "), close: () => browser.close() });

  // The interface for one tab of the browser; tab() opens another.
  async function tab(page) {
    await page.setViewport(VIEWPORT);
    const session = chromium ? await page.createCDPSession() : null, refused = new Set();
    let requested = [], dialogs = [];
    page.on("request", (r) => requested.push(r));
    page.on("dialog", (d) => dialogs.push(d.type()) && d.accept());
    if (session) {
      await session.send("Network.enable");
      session.on("Network.loadingFailed", (e) => e.blockedReason === "csp" && refused.add(e.requestId));
    }
    const BUTTONS = ["left", "middle", "right"];
    const keys = (combo) => split(combo).map((k) => k === "Space" ? " " : k);
    return {
      engine, page,
      open: (url) => page.goto(url),
      // As a string, run by the driver: the page's policy allows no eval. A
      // page that never comes (an error page) fails the check, not the run.
      js: (body, ...args) => Promise.race([
        page.evaluate(`(async function () {\n${body}\n}).apply(null, ${JSON.stringify(args)})`),
        new Promise((_, fail) => setTimeout(() => fail(new Error(`no answer from ${page.url()}`)), 60000).unref())]),
      upload: async (selector, path) => (await page.$(selector)).uploadFile(path),
      async mouse(steps, hold, pace = 0) {
        if (hold) await page.keyboard.down(hold);
        for (const { move, down, up } of steps) {
          if (move && pace) await new Promise((r) => setTimeout(r, pace));
          if (move) await page.mouse.move(...move);
          else await page.mouse[down !== undefined ? "down" : "up"]({ button: BUTTONS[down ?? up] });
        }
        if (hold) await page.keyboard.up(hold);
      },
      async wheel(point, deltas, pace) {
        await page.mouse.move(...point);
        for (const deltaY of deltas) {
          await new Promise((r) => setTimeout(r, pace));
          await page.mouse.wheel({ deltaY });
        }
      },
      async keys(...combos) {
        for (const combo of combos) {
          for (const k of keys(combo)) await page.keyboard.down(k);
          for (const k of keys(combo).reverse()) await page.keyboard.up(k);
        }
      },
      type: (text) => page.keyboard.type(text),
      screenshot: (path) => page.screenshot({ path }),
      size: (width, height, phone) => page.setViewport(width ? { width, height, ...phone && { deviceScaleFactor: 2, isMobile: true,
        hasTouch: true } } : VIEWPORT),
      preload: (script) => page.evaluateOnNewDocument(script),
      cdp: (method, params) => session.send(method, params),
      requests: () => requested.splice(0).filter((r) => !refused.has(r.id)).map((r) => r.url()),
      dialogs: () => dialogs.splice(0),
      tab: async () => tab(await browser.newPage()),
      front: () => page.bringToFront(),
      // This tab closed as a user closes it, its page told first.
      shut: () => page.close({ runBeforeUnload: true }),
    };
  }
}

export const freePort = () => new Promise((done) => {
  const server = createServer().listen(0, "127.0.0.1", () => {
    const { port } = server.address();
    server.close(() => done(port));
  });
});

async function webkit() {
  const port = await freePort();
  const driver = spawn("/usr/bin/WebKitWebDriver", [`--port=${port}`], { stdio: "ignore" });
  let d;
  for (let i = 0; !d; i++) {
    d = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({ browserName: "MiniBrowser",
      "webkitgtk:browserOptions": { binary: "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser", args: ["--automation"] } })
      .build().catch((e) => { if (i === 50) throw e; });
    if (!d) await new Promise((r) => setTimeout(r, 100));
  }
  await d.manage().window().setRect(VIEWPORT);
  let current = await d.getWindowHandle();  // the window the driver acts in
  return Object.assign(await window(current), {
    version: `WebKitGTK ${(await d.getCapabilities()).get("browserVersion")}`,
    async close() {
      await d.quit().catch(() => {});
      driver.kill();
    },
  });

  // The interface for one window of the browser, each call made in it;
  // tab() opens another window (a tab out of sight would not draw).
  async function window(handle) {
    const here = async () => {
      if (current !== handle) await d.switchTo().window(current = handle);
    };
    const named = { Space: Key.SPACE, Backspace: Key.BACK_SPACE };
    const key = (k) => named[k] ?? Key[k.replace(/^Arrow/, "Arrow_").toUpperCase()] ?? k;
    const BUTTONS = [Button.LEFT, Button.MIDDLE, Button.RIGHT];
    const b = {
      engine: "webkit",
      open: (url) => d.get(url),
      js: (body, ...args) => d.executeScript(body, ...args),
      upload: async (selector, path) => (await d.findElement({ css: selector })).sendKeys(path),
      async mouse(steps, hold, pace = 100) {
        const a = d.actions({ async: true });
        if (hold) a.keyDown(key(hold));
        for (const { move, down, up } of steps) {
          if (move) a.move({ x: Math.round(move[0]), y: Math.round(move[1]), origin: "viewport", duration: pace });
          else if (down !== undefined) a.press(BUTTONS[down]);
          else a.release(BUTTONS[up]);
        }
        if (hold) a.keyUp(key(hold));
        await a.perform();
      },
      async wheel(point, deltas, pace) {
        const a = d.actions({ async: true }), [x, y] = point.map(Math.round);
        for (const deltaY of deltas) a.pause(pace).scroll(x, y, 0, deltaY, "viewport", 0);
        await a.perform();
      },
      async keys(...combos) {
        const a = d.actions({ async: true });
        for (const combo of combos) {
          for (const k of split(combo)) a.keyDown(key(k));
          for (const k of split(combo).reverse()) a.keyUp(key(k));
        }
        await a.perform();
      },
      type: (text) => d.actions({ async: true }).sendKeys(text).perform(),
      screenshot: async (path) => (await import("node:fs")).writeFileSync(path, await d.takeScreenshot(), "base64"),
      preload: null,
      requests: () => null,
      // The window's size, less what its frame takes.
      async size(width = VIEWPORT.width, height = VIEWPORT.height) {
        await d.manage().window().setRect({ width, height });
        if (width === VIEWPORT.width && height === VIEWPORT.height) return;
        const [w, h] = await d.executeScript("return [innerWidth, innerHeight]");
        await d.manage().window().setRect({ width: 2 * width - w, height: 2 * height - h });
      },
      async tab() {
        await here();
        await d.switchTo().newWindow("window");
        await d.manage().window().setRect(VIEWPORT);
        return window(current = await d.getWindowHandle());
      },
      async shut() {
        await here();
        await d.close();
      },
      front: () => {},
    };
    // Every call in this window.
    for (const [name, fn] of Object.entries(b)) {
      if (typeof fn === "function" && !["tab", "front", "requests"].includes(name)) b[name] = async (...args) => { await here(); return fn(...args); };
    }
    return b;
  }
}
