// What Chromium alone lets the test do, through the DevTools protocol.
import { existsSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { ROOT, bin, check, sha256, sleep } from "./page.mjs";

// Chromium alone, through the DevTools protocol: real downloads, touch, a
// phone's screen, the history of 100 cells.
export async function chromium(page) {
  const downloads = join(page.scratch, "downloads");
  await page.b.cdp("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
  await page.fresh(false);
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.click("save");
  await page.js(`document.querySelector('input[name="ends"][value="lf"]').click()`);
  await page.click("download");
  for (const name of ["room.map", "room.lst"]) {
    for (let i = 0; !existsSync(join(downloads, name)) && i < 100; i++) await sleep(100);
    check(`downloaded ${name}`, existsSync(join(downloads, name)) && sha256(readFileSync(join(downloads, name))),
      sha256(readFileSync(join(ROOT, "examples", name))));
  }

  // Fingers: a tap paints; a pinch zooms and paints nothing, even when its
  // first finger came down alone; a second finger drops a line.
  await page.fresh();
  await page.load(bin("....\n....\n"));
  await page.drawing(true);
  const touch = (type, points) => page.b.cdp("Input.dispatchTouchEvent", { type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
  const [a, b] = [await page.point(1, 0, 0.5, 0.5), await page.point(2, 1, 0.5, 0.5)];
  await page.update(async () => { await touch("touchStart", [a]); await touch("touchEnd", []); });
  check("tap: painted", await page.mapText(), ".O..\n....\n");
  const scale = +(await page.js("return document.getElementById('canvas').dataset.cell"));
  await touch("touchStart", [a]);
  await touch("touchStart", [a, b]);
  for (let i = 1; i <= 5; i++) await touch("touchMove", [[a[0] - 10 * i, a[1] - 10 * i], [b[0] + 10 * i, b[1] + 10 * i]]);
  await touch("touchEnd", []);
  await page.frames();
  check("pinch: zoomed, nothing painted", [+(await page.js("return document.getElementById('canvas').dataset.cell")) > scale * 1.2,
    await page.mapText()], [true, ".O..\n....\n"]);
  await page.keys("Control+z");
  await page.keys("l");
  for (const [type, points] of [["touchStart", [a]], ["touchMove", [b]], ["touchStart", [b, a]], ["touchEnd", []]]) await touch(type, points);
  await page.frames();
  check("pinch and a line: no step of their own", await page.mapText(), "....\n....\n");

  // A phone's width: nothing wider than the screen, the picture and its
  // tools before the map text.
  await page.b.page.setViewport({ width: 360, height: 740, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.fresh();
  await page.loadPath(join(ROOT, "examples/room.map"));
  await page.drawing(true);
  check("360 pixels", await page.js(`const top = (id) => document.getElementById(id).getBoundingClientRect().top;
    return [document.documentElement.scrollWidth, top("tools") < top("canvas") && top("canvas") < top("text"),
      ...[...document.querySelectorAll("button, input, canvas, textarea")].filter((e) => e.offsetParent && !e.closest("dialog"))
        .filter((e) => e.getBoundingClientRect().right > 360).map((e) => e.id || e.outerHTML.slice(0, 40))];`), [360, true]);
  await page.b.page.setViewport({ width: 1280, height: 900 });

  // A map too large for the text box, 100 cells painted: the history holds
  // what they changed, 4 bytes a cell, and undoing them gives it back.
  const large = Buffer.from((".".repeat(499) + "\n").repeat(400));
  await page.fresh();
  await page.load(large, "large.map");
  await page.drawing(true);
  await page.keys("ArrowRight");
  for (let i = 0; i < 100; i++) await page.keys("Space", "ArrowRight");
  check("100 cells: painted, held in 400 bytes", [sha256((await page.saveMap()).bytes) !== sha256(large), +(await page.data("history"))],
    [true, 400]);
  for (let i = 0; i < 100; i++) await page.b.keys("Control+z");
  await page.frames();
  check("100 cells: undone exactly", sha256((await page.saveMap()).bytes), sha256(large));
}
