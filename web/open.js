// Opening maps: a file from the picker or dropped on the page, taken as
// its bytes; a coordinate listing, read back into its map; an image (PNG,
// GIF, WebP or JPEG) made into a map, at once or through its dialog; and a
// new map of blank cells. Each is shown ready to draw (tools/drawing.js).
import { $, beginAt, count, stem, withExtension } from "./page.js";
import { CAPACITY, LISTING_CAPACITY, readListing } from "./conversion.js";
import { blockBytes, mapSize } from "./block.js";
import { on, replace } from "./document.js";
import { pngPixels, pngSize } from "./png.js";
import { blockScale, mapOf, pixelsOf, runScale } from "./dither.js";
import { imageDialog } from "./imagedialog.js";
import { sizeDialog } from "./dialogs.js";
import { formOf } from "./forms/index.js";
import PNG from "./forms/png.js";
import { openForm } from "./formbar.js";
import { fitted, trimmedNote } from "./forms/fit.js";
import { readyToDraw } from "./tools/drawing.js";
import { backToPicture, offering } from "./notes.js";

// What an image's first bytes say it is. A map text could start with
// the same bytes, all skipped, so one that the browser cannot decode is
// taken as text.
const IMAGES = [[0x47, 0x49, 0x46, 0x38], [0xff, 0xd8, 0xff]];
const isImage = (b) => PNG.sniff(b) || IMAGES.some((magic) => magic.every((v, i) => b[i] === v)) ||
  (String.fromCharCode(...b.subarray(0, 4)) === "RIFF" && String.fromCharCode(...b.subarray(8, 12)) === "WEBP");

// An image or a listing is timed from the file's opening, a map from its
// bytes read.
async function openFile(file) {
  if (!file) return;
  $("opened").textContent = "";
  // The tool reads one byte more than it converts, to tell a map too large.
  const bytes = new Uint8Array(await file.slice(0, CAPACITY + 1).arrayBuffer());
  if (isImage(bytes) && await openImage(file, bytes)) return;
  if (bytes[0] === 0x5b) return openListing(file);
  const form = formOf(file.name, bytes);
  if (form) return openForm(file, form);
  beginAt();
  replace(bytes, file.name, "a file", { cut: file.size > bytes.length });
  readyToDraw();
}

// A file that starts with "[", which no map holds, as the tool writes a
// listing: its map, h rows of w cells marked at its points, named after
// it with .map; or, when it breaks the listing's form, the line and why,
// and the map in the page as it was.
async function openListing(file) {
  const read = readListing(new Uint8Array(await file.slice(0, LISTING_CAPACITY + 1).arrayBuffer()));
  if (read.bytes) {
    replace(read.bytes, stem(file.name) + ".map", "a listing");
    return readyToDraw();
  }
  $("opened").textContent = `${file.name} starts as a coordinate listing does, but cannot be read as one: ` +
    `${read.line ? `line ${read.line}: ` : ""}${read.reason}. The map in the page is as it was.`;
}

// An image's pixels: PNG read here, sample for sample as the file has it;
// other images decoded by the browser, their colours taken as the file
// has them, not as a screen would show them. An image of a map (two
// shades) whose map fits opens at once, a cell a pixel, marked by the rule
// of png.js, each row of pixels a line ended by a line feed; any other
// opens in the image's dialog. False when the image cannot be read:
// its bytes are then a map text, refused as the tool would refuse it.
const PIXELS = 2 ** 26;
async function openImage(file, head) {
  const t0 = performance.now();
  let bitmap = null, dims = pngSize(head);
  if (!dims) {
    try {
      bitmap = await createImageBitmap(file, { premultiplyAlpha: "none", colorSpaceConversion: "none" });
    } catch {
      return false;
    }
    dims = { width: bitmap.width, height: bitmap.height };
  }
  const { width: w, height: h } = dims;
  // Its RGBA bytes, its greys and the canvas's copy must fit in memory.
  if (w * h > PIXELS) {
    bitmap?.close();
    $("opened").textContent = `${file.name} is ${w} × ${h} pixels, ${count(4 * w * h, "byte")} of RGBA: more than ` +
      `the ${PIXELS.toLocaleString("en")} pixels this page reads. The map in the page is as it was.`;
    return true;
  }
  let img;
  if (bitmap) {
    img = fromBitmap(bitmap, w, h);
  } else {
    try {
      img = await pngPixels(new Uint8Array(await file.arrayBuffer()));
    } catch (e) {
      $("opened").textContent = `${file.name} starts as a PNG image does, but ${e.message}; ` +
        "its bytes are shown as a map text, which the tool would refuse.";
      return false;
    }
  }
  const name = stem(file.name) + ".map", block = mapOf(img), fit = block && fitted(block, CAPACITY);
  if (!fit) {
    imageDialog(img, name, file.name, t0);
    return true;
  }
  replace(fit.bytes, name, "an image");
  readyToDraw();
  if (fit.trimmed) {
    $("opened").textContent = trimmedNote(file.name, w, h, "pixels", "pixel that is not transparent");
  } else offerScaled(img, block, name, file.name);
  return true;
}

// The offer of one cell a block, over the picture; the map stays one cell
// a pixel unless it is taken, as a step of its own, the picture focused
// then; or, where the image looks drawn at N pixels a cell but is no
// whole number of blocks, why there is none. And the image's dialog, for
// other settings.
function offerScaled(img, block, name, file) {
  const more = Object.assign(document.createElement("button"), { type: "button", id: "image-settings",
    textContent: "Image settings…" });
  more.addEventListener("click", () => {
    more.remove();
    imageDialog(img, name, file);
  });
  $("opened").after(more);
  const n = blockScale(img);
  if (!n) return noBlocks(img, name);
  const w = block.w / n, h = block.h / n, cells = new Uint8Array(w * h);
  for (let y = 0; y < h; y++) for (let x = 0; x < w; x++) cells[y * w + x] = block.cells[y * n * block.w + x * n];
  const take = Object.assign(document.createElement("button"), { type: "button", id: "unscale",
    textContent: `One cell a block: ${w} × ${h} cells` });
  take.addEventListener("click", () => {
    $("opened").textContent = "";
    replace(blockBytes({ w, h, cells }), name, "an image");
    backToPicture();
  });
  $("opened").replaceChildren(`${name.replace(/\.map$/, "")} looks drawn at ${n} pixels a cell: every ${n} × ${n} ` +
    `block of its pixels is alike. It is open as ${block.w} × ${block.h} cells, one a pixel: open it one cell a ` +
    "block? ", take);
}

function noBlocks(img, name) {
  const n = runScale(img), { w, h } = img;
  if (!n) return;
  const whole = w % n === 0 && h % n === 0;
  $("opened").textContent = `${name.replace(/\.map$/, "")} looks drawn at ${n} pixels a cell, but ` +
    (whole ? `its ${n} × ${n} blocks do not start at its top left corner`
      : `its ${w} × ${h} pixels are not a whole number of ${n} × ${n} blocks`) +
    `, so it is open as ${w} × ${h} cells, one a pixel. Image settings… makes a map of any size of it.`;
}

function fromBitmap(bitmap, w, h) {
  const canvas = document.createElement("canvas");
  Object.assign(canvas, { width: w, height: h });
  const ctx = canvas.getContext("2d", { willReadFrequently: true });
  ctx.drawImage(bitmap, 0, 0);
  bitmap.close();
  return pixelsOf(ctx.getImageData(0, 0, w, h).data, w, h);
}

// Asks for a name, a width and a height and makes a map of blank rows.
export const newMap = sizeDialog("new", mapSize, () => true, (w, h) => {
  const name = $("new-name").value.trim() || "map.map";
  replace(blockBytes({ w, h, cells: new Uint8Array(w * h) }), withExtension(name, ".map"), "new");
  readyToDraw();
});

// The file button and drops anywhere on the page. The offer of one cell a
// block is for the image as it was opened: it goes with the next step.
export function startOpening() {
  $("file").addEventListener("change", async (e) => {
    await openFile(e.target.files[0]);
    e.target.value = "";  // so that the same file can be opened again
  });
  document.addEventListener("dragover", (e) => { e.preventDefault(); document.body.classList.add("dragging"); });
  document.addEventListener("dragleave", (e) => { if (!e.relatedTarget) document.body.classList.remove("dragging"); });
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    document.body.classList.remove("dragging");
    openFile(e.dataTransfer.files[0]);
  });
  on("step", () => {
    $("image-settings")?.remove();
    if ($("unscale")) $("opened").replaceChildren();
  });
  offering("opened", () => $("opened").replaceChildren());
  offering("image-settings", () => $("image-settings").remove());
  // An image pasted with no text beside it is opened as a file would be.
  document.addEventListener("paste", (e) => {
    const image = [...e.clipboardData?.files ?? []].find((f) => f.type.startsWith("image/"));
    if (!image || e.clipboardData.getData("text/plain")) return;
    e.preventDefault();
    e.stopImmediatePropagation();
    openFile(image);
  }, true);
}
