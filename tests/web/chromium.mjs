// What Chromium alone lets the test do, through the DevTools protocol.
import { existsSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { ROOT, bin, check, sha256, sleep } from "./page.mjs";
import { axe } from "./sealed.mjs";

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
  // first finger came down alone; a second finger drops a line; a tap
  // paints mirrored.
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
  await page.click("mirror");
  await page.keys("p");
  const c = await page.point(0, 1, 0.5, 0.5);
  await page.update(async () => { await touch("touchStart", [c]); await touch("touchEnd", []); });
  check("tap, mirrored left–right", await page.mapText(), "....\nO..O\n");

  // On a phone's screen, a tap 8 px beside the map's right edge and a
  // swipe down the margin below it change nothing.
  await page.b.page.setViewport({ width: 360, height: 740, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.fresh();
  await page.dialog("new", 16, 16);
  await page.drawing(true);
  await page.js("document.getElementById('picture').scrollIntoView()");
  const [right, below] = [await page.point(16, 6, 0, 0.5), await page.point(3, 16, 0.5, 0.25)];
  await touch("touchStart", [[right[0] + 8, right[1]]]);
  await touch("touchEnd", []);
  await touch("touchStart", [below]);
  for (let i = 1; i <= 4; i++) await touch("touchMove", [[below[0] + 10 * i, below[1] + 3 * i]]);
  await touch("touchEnd", []);
  await page.frames();
  check("a tap and a swipe beside the map", await page.mapText(), "................\n".repeat(16));
  await page.b.page.setViewport({ width: 1280, height: 900 });

  // A phone, 360 × 740 with touch, and a desktop, 1280 × 720, drawing with
  // a selection: nothing wider than the screen, and in view at once the
  // picture, every tool, the selection's commands, the pen's size, Mirror,
  // Grid, Undo, Redo and Save map; on the desktop the readout and the
  // listing's first lines too; on the phone every touch target at least
  // 44 pixels a side; axe clean.
  for (const [w, h, phone] of [[360, 740, true], [1280, 720, false]]) {
    await page.b.page.setViewport({ width: w, height: h, deviceScaleFactor: phone ? 2 : 1, isMobile: phone, hasTouch: phone });
    await page.fresh();
    await page.loadPath(join(ROOT, "examples/room.map"));
    await page.drawing(true);
    await page.keys("Control+a");
    check(`${w} × ${h}`, await page.js(`const [phone] = arguments, $ = (id) => document.getElementById(id);
      if (phone) $("picture").scrollIntoView();
      else scrollTo(0, 0);
      const box = (e) => e.getBoundingClientRect(), seen = (e) => e.getClientRects().length > 0;
      const inView = (r) => r.top >= 0 && r.left >= 0 && r.bottom <= innerHeight && r.right <= innerWidth;
      const wanted = [$("canvas"), $("pen-size"), $("mirror"), $("grid"),
        ...document.querySelectorAll("#tool-picks button, #selection-tools button, #steps button")];
      if (!phone) wanted.push($("cell"));
      const out = wanted.filter((e) => !inView(box(e))).map((e) => e.id || e.dataset.tool);
      // Nor is the picture under the dock.
      const [c, d] = [box($("canvas")), box($("dock"))];
      if (c.bottom > d.top && c.top < d.bottom && c.right > d.left && c.left < d.right) out.push("under the dock");
      if (!phone && box($("listing")).top + 60 > innerHeight) out.push("the listing's first lines");
      const small = phone ? [...document.querySelectorAll("button, label, input[type=file]")]
        .filter((e) => seen(e) && !e.closest("dialog") && (box(e).height < 44 || box(e).width < 44))
        .map((e) => e.id || e.textContent.trim().slice(0, 20)) : [];
      return [document.documentElement.scrollWidth, out, small];`, phone), [w, [], []]);
    await axe(page, `${w} × ${h}`);
  }
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
