// What Chromium alone lets the test do, through the DevTools protocol.
import { existsSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { ROOT, bin, check, sha256, sleep } from "./page.mjs";
import { axe } from "./sealed.mjs";

// The screen as it is: its scrolling width, and on a phone its scrolling
// height and the body's, which clips what the page does not scroll to
// (else the viewport's); those of the wanted elements not in view;
// on a phone the targets of fewer than 44 pixels a side; whether the
// picture is under a button of the dock; whether the top bar shows; where the map's
// corner is from the rulers' corner.
const screen = (page, phone, wanted) => page.js(`const [phone, wanted] = arguments, $ = (id) => document.getElementById(id);
  const box = (e) => e.getBoundingClientRect(), seen = (e) => e.getClientRects().length > 0;
  const inView = (r) => r.top >= 0 && r.left >= 0 && r.bottom <= innerHeight && r.right <= innerWidth;
  const out = [...document.querySelectorAll(wanted)].filter((e) => !inView(box(e)))
    .map((e) => e.id || e.dataset.tool || e.dataset.command);
  const small = phone ? [...document.querySelectorAll("button, label, input[type=file]")]
    .filter((e) => seen(e) && !e.closest("dialog") && (box(e).height < 44 || box(e).width < 44))
    .map((e) => e.id || e.textContent.trim().slice(0, 20)) : [];
  const c = box($("canvas")), r = $("overlay").dataset.rulerAt.split(",").map(Number), v = $("canvas").dataset;
  const under = [...document.querySelectorAll("#dock button")].filter(seen).map(box)
    .some((d) => c.bottom > d.top && c.top < d.bottom && c.right > d.left && c.left < d.right);
  const high = Math.max(document.documentElement.scrollHeight, document.body.scrollHeight);
  return [document.documentElement.scrollWidth, phone ? high : innerHeight, out, small, under,
    seen($("topbar")), [v.x0 - r[0], v.y0 - r[1]]];`,
phone, wanted);

// Chromium alone, through the DevTools protocol: real downloads, touch, a
// phone's screen.
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
  await page.b.size(360, 740, true);
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

  // A phone upright and on its side, with touch, and desktops of 800 × 600
  // and 1280 × 720, drawing with a selection: nothing wider than the
  // screen, and in view at once the picture, every tool, Undo and Redo,
  // and but at 800 × 600 the selection's commands, the pen's size, Mirror
  // and Grid; the rulers against the map; on a phone the top bar, its name and commands, the
  // page one screen high, every touch target at least 44 pixels a side;
  // on a desktop Save map, the readout, and at 1280 × 720 the listing's
  // first lines; axe clean. On the phone upright, More opens the sheet:
  // the map's text in view, the page one screen still, axe clean.
  for (const [w, h, phone] of [[360, 740, true], [740, 360, true], [800, 600, false], [1280, 720, false]]) {
    await page.b.size(w, h, phone);
    await page.fresh();
    await page.loadPath(join(ROOT, "examples/room.map"));
    await page.drawing(true);
    await page.keys("Control+a");
    const wanted = ["#canvas", "#tool-picks button", "#undo", "#redo", ...w === 800 ? ["#save"] : ["#pen-size", "#mirror", "#grid",
      "#selection-tools button", "#tool-options label", ...phone ? ["#topbar button", "#map-name"] : ["#save", "#cell"]]].join(", ");
    check(`${w} × ${h}`, await screen(page, phone, wanted), [w, h, [], [], false, phone, [32, 16]]);
    if (w === 1280) {
      check("the listing's first lines", await page.js("return document.getElementById('listing').getBoundingClientRect().top + 60 <= innerHeight"),
        true);
    }
    await axe(page, `${w} × ${h}`);
    if (w !== 360) continue;
    await page.click("sheet-toggle");
    check("the sheet", (await screen(page, true, "#text")).slice(0, 4), [w, h, [], []]);
    await axe(page, "the sheet");
  }
  await page.b.size();
}
