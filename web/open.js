// Opening maps: a file from the picker or dropped on the page, taken as
// its bytes; a coordinate listing, read back into its map; an image (PNG,
// GIF, WebP or JPEG) made into a map, a pixel to a cell; and a new map of
// blank cells.
import { $, beginAt, count, stem } from "./page.js";
import { CAPACITY, LISTING_CAPACITY, readListing } from "./conversion.js";
import { blockBytes, mapSize } from "./block.js";
import { on, replace } from "./document.js";
import { marked, pngSize } from "./png.js";
import { sizeDialog } from "./dialogs.js";
import { formOf } from "./forms/index.js";
import PNG from "./forms/png.js";
import { openForm } from "./formbar.js";

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
}

// A file that starts with "[", which no map holds, as the tool writes a
// listing: its map, h rows of w cells marked at its points, named after
// it with .map; or, when it breaks the listing's form, the line and why,
// and the map in the page as it was.
async function openListing(file) {
  const read = readListing(new Uint8Array(await file.slice(0, LISTING_CAPACITY + 1).arrayBuffer()));
  if (read.bytes) return replace(read.bytes, stem(file.name) + ".map", "a listing");
  $("opened").textContent = `${file.name} starts as a coordinate listing does, but cannot be read as one: ` +
    `${read.line ? `line ${read.line}: ` : ""}${read.reason}. The map in the page is as it was.`;
}

// A cell for each pixel, marked by the rule of png.js, and each row of
// pixels a line ended by a line feed. PNG is read here, sample for sample
// as the file has it; other images are decoded by the browser, their
// colours taken as the file has them, not as a screen would show them.
// False when the image cannot be read: its bytes are then a map text,
// refused as the tool would refuse it.
async function openImage(file, head) {
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
  // Its last line feed may be left out, as a listing's map's is.
  if (mapSize(w, h) - 1 > CAPACITY) {
    bitmap?.close();
    const fit = largest(w, h);
    $("opened").textContent = `${file.name} is ${w} × ${h} pixels, which would make a map of ` +
      `${count(mapSize(w, h), "byte")}; a map holds at most ${CAPACITY.toLocaleString("en")}. The largest image of ` +
      `its shape that fits is ${fit.w} × ${fit.h} pixels. The map in the page is as it was.`;
    return true;
  }
  let block;
  if (bitmap) {
    block = fromBitmap(bitmap, w, h);
  } else {
    try {
      block = await PNG.read(new Uint8Array(await file.arrayBuffer()));
    } catch (e) {
      $("opened").textContent = `${file.name} starts as a PNG image does, but ${e.message}; ` +
        "its bytes are shown as a map text, which the tool would refuse.";
      return false;
    }
  }
  const name = stem(file.name) + ".map";
  replace(blockBytes(block).subarray(0, CAPACITY), name, "an image");
  offerScaled(block, name);
  return true;
}

// An image drawn at N pixels a cell (a map saved scaled up, by this page
// or another editor): every N × N block of its cells alike, N 2 or more and
// its sides whole multiples of N. The largest such N, or 0.
function scale({ w, h, cells }) {
  const gcd = (a, b) => b ? gcd(b, a % b) : a, g = gcd(w, h);
  for (let n = g; n >= 2; n--) {
    if (g % n) continue;
    let alike = true;
    for (let y = 0; y < h && alike; y++) {
      const top = y - y % n;
      for (let x = 0; x < w; x++) {
        if (cells[y * w + x] !== cells[top * w + x - x % n]) {
          alike = false;
          break;
        }
      }
    }
    if (alike) return n;
  }
  return 0;
}

// The offer of one cell a block, beside the line on the image opened;
// the map stays one cell a pixel unless it is taken, as a step of its own.
function offerScaled(block, name) {
  const n = scale(block);
  if (!n) return;
  const w = block.w / n, h = block.h / n, cells = new Uint8Array(w * h);
  for (let y = 0; y < h; y++) for (let x = 0; x < w; x++) cells[y * w + x] = block.cells[y * n * block.w + x * n];
  const take = Object.assign(document.createElement("button"), { type: "button", id: "unscale",
    textContent: `One cell a block: ${w} × ${h} cells` });
  take.addEventListener("click", () => {
    $("opened").textContent = "";
    replace(blockBytes({ w, h, cells }), name, "an image");
  });
  $("opened").replaceChildren(`${name.replace(/\.map$/, "")} looks drawn at ${n} pixels a cell: every ${n} × ${n} ` +
    `block of its pixels is alike. It is open as ${block.w} × ${block.h} cells, one a pixel. `, take);
}

function fromBitmap(bitmap, w, h) {
  const canvas = document.createElement("canvas");
  Object.assign(canvas, { width: w, height: h });
  const ctx = canvas.getContext("2d", { willReadFrequently: true });
  ctx.drawImage(bitmap, 0, 0);
  bitmap.close();
  const px = ctx.getImageData(0, 0, w, h).data, cells = new Uint8Array(w * h);
  for (let c = 0; c < cells.length; c++) cells[c] = marked(px[4 * c], px[4 * c + 1], px[4 * c + 2], px[4 * c + 3], 255) ? 1 : 0;
  return { w, h, cells };
}

// The largest image of this shape whose map fits.
function largest(w, h) {
  let k = Math.sqrt(CAPACITY / mapSize(w, h));
  while (mapSize(Math.floor(w * k), Math.floor(h * k)) > CAPACITY) k *= 0.999;
  return { w: Math.max(Math.floor(w * k), 1), h: Math.max(Math.floor(h * k), 1) };
}

// Asks for a name, a width and a height and makes a map of blank rows.
export const newMap = sizeDialog("new", mapSize, () => true, (w, h) => {
  const name = $("new-name").value.trim() || "map.map";
  replace(blockBytes({ w, h, cells: new Uint8Array(w * h) }), /\.[^.]+$/.test(name) ? name : `${name}.map`, "new");
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
  on("step", () => $("unscale") && $("opened").replaceChildren());
}
