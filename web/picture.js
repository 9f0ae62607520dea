// The picture: the map's cells on a canvas that fits its box, zoomed and
// panned by the view, and over it, on a canvas of its own, the refused
// byte ringed in red, the keyboard cursor and the layers that others add
// (the selection, a shape in progress). Points of the canvas, in CSS
// pixels from its corner, map to cells here and nowhere else. Input only
// changes state: the canvas is rendered at most once an animation frame, a
// toggled cell re-renders its own pixels, and only a new layout, a zoom or
// a pan renders the whole.
import { $, count } from "./page.js";
import { cellState, exists, isRefused, layout, map, on, rowLength } from "./document.js";
import { cover, renderPixels, reset, setView, toggled } from "./raster.js";

// view: the scale s (CSS pixels per cell) and the origin (ox, oy),
// refitted to the box while fit is set; cursor: the cell the arrow keys
// are on. Only this module writes them.
export const picture = { view: null, cursor: null };

// What others render over the picture: each a function of the overlay's
// context, a function from cells to its device pixels, the size of a cell
// in device pixels, the palette and the device's pixels to a CSS pixel.
const layers = [];
export const addLayer = (layer) => { layers.push(layer); };

let palette = null;
function readPalette() {
  const style = getComputedStyle(document.documentElement);
  // As the canvas stores a pixel: red in the low byte.
  const abgr = (name) => {
    const hex = parseInt(style.getPropertyValue(name).trim().slice(1, 7), 16);
    return (0xff000000 | (hex & 0xff) << 16 | (hex & 0xff00) | hex >> 16) >>> 0;
  };
  const css = (name) => style.getPropertyValue(name).trim();
  palette = { bg: abgr("--panel"), blank: abgr("--blank"), marked: abgr("--marked"), uneven: abgr("--uneven"),
    refused: css("--refused"), accent: css("--accent"), markedCss: css("--marked"), blankCss: css("--blank"),
    bgCss: css("--panel"), fgCss: css("--fg") };
  return palette;
}
// The page's colours, read once they are first needed.
export const colours = () => palette ?? readPalette();

const dpr = () => window.devicePixelRatio || 1;
// Both canvases in plain memory, not a graphics card's: the picture is
// written as pixels anyway, and where no card is to be had (under X
// without one) WebKit renders a card's canvas in software, some 30 ms
// more over every frame in which anything changes.
const context = (id) => $(id).getContext("2d", { willReadFrequently: true });
// Where a cell's corner is: in CSS pixels from the canvas's corner, or,
// given the device's ratio, in the overlay's pixels.
const toPixels = (x, y, ratio = 1) => {
  const { view } = picture;
  return [(view.ox + x * view.s) * ratio, (view.oy + y * view.s) * ratio];
};

// What is waiting for the next frame: the whole picture, the pixels of
// toggled cells, the overlay.
const due = { whole: false, rect: null, overlay: false };
let image = null, px = null;

// Cells toggled in this box: its pixels repainted now, put on the canvas
// at the next frame. A box too large to be worth it renders the whole.
function cellsToggled(box) {
  if (box.w * box.h > 1 << 16) {
    reset();
    return renderWhole();
  }
  toggled(box);
  if (!image || due.whole) return renderSoon();
  const [x0, , y0] = cover(box.x, box.y, image.width, image.height);
  const [, x1, , y1] = cover(box.x + box.w - 1, box.y + box.h - 1, image.width, image.height), r = due.rect;
  due.rect = r ? [Math.min(r[0], x0), Math.max(r[1], x1), Math.min(r[2], y0), Math.max(r[3], y1)] : [x0, x1, y0, y1];
  if (x1 > x0 && y1 > y0) renderPixels(px, image.width, x0, x1, y0, y1, palette);
  renderSoon();
}
function renderWhole() {
  due.whole = true;
  renderSoon();
}

// The readouts of the map's size (or, for a refused map, how far it is
// drawn) and uneven rows, and the picture rendered at once. A new map is
// fitted; a changed one keeps the view, so that cells stay under the
// pointer that paints them. With no map at all, the picture says what to do.
function showPicture() {
  const { refused, wid, hgt, unevenRows } = layout();
  $("size").textContent = refused ? `The map as far as the tool reads it${layout().refusedCell ? ", to the byte it " +
    "refuses, ringed" : ""}.` : `Width ${wid}, height ${hgt}: the width is the last row's cell count.`;
  $("empty").hidden = map().bytes.length > 0;
  $("canvas").setAttribute("aria-label", refused ? "Picture of the map up to the refused byte"
    : `Picture of the map, ${wid} by ${hgt} cells`);
  const listed = unevenRows.slice(0, 12).join(", ") + (unevenRows.length > 12 ? ", …" : "");
  $("uneven").textContent = unevenRows.length === 0 ? "" :
    `${count(unevenRows.length, "row")} of another width than ${wid}, tinted: y ${listed}.`;
  render();
}

// The rulers' bands along the top and left edges, in CSS pixels.
export const RULERS = { top: 16, left: 32 };

// How much of the picture's foot the refusal and the offers standing over
// it cover, at most three quarters: a refused byte is painted where it
// shows.
function covered() {
  const canvas = $("canvas"), shown = ["refusal", "charset", "opened"].map($).filter((e) => e.getClientRects().length > 0);
  if (!shown.length) return 0;
  const from = Math.min(...shown.map((e) => e.getBoundingClientRect().top));
  return Math.min(Math.max(canvas.getBoundingClientRect().bottom - from, 0), canvas.clientHeight * 3 / 4);
}

// The whole map in the box beside the rulers and above what covers the
// picture's foot, its cells at most 48 pixels; an empty map starts at the
// corner, where its first cell will be.
function fit() {
  const canvas = $("canvas"), { top, left } = RULERS, w = canvas.clientWidth - left, h = canvas.clientHeight - top - covered();
  if (layout().rows === 0) {
    picture.view = { s: 24, ox: left, oy: top, fit: true };
    return;
  }
  const s = Math.min(w / Math.max(layout().widest, 1), h / layout().rows, 48);
  picture.view = { s, ox: left + (w - layout().widest * s) / 2, oy: top + (h - layout().rows * s) / 2, fit: true };
}

// The view stays as it is, whatever the map becomes: the cells stay under
// the pen that grows it.
export function holdView() {
  if (picture.view) picture.view = { ...picture.view, fit: false };
}

// The whole picture, now.
function render() {
  const t0 = performance.now(), canvas = $("canvas"), ratio = dpr();
  const W = Math.round(canvas.clientWidth * ratio), H = Math.round(canvas.clientHeight * ratio);
  for (const c of [canvas, $("overlay")]) if (c.width !== W || c.height !== H) [c.width, c.height] = [W, H];
  colours();
  if (!picture.view || picture.view.fit) fit();
  const { view } = picture;
  if (image?.width !== W || image?.height !== H) {
    image = context("canvas").createImageData(W, H);
    px = new Uint32Array(image.data.buffer);
  }
  setView(view.s * ratio, ...toPixels(0, 0, ratio), W);
  renderPixels(px, W, 0, W, 0, H, palette);
  context("canvas").putImageData(image, 0, 0);
  Object.assign(due, { whole: false, rect: null });
  renderOverlay();
  const r = layout().refusedCell;
  Object.assign(canvas.dataset, { cell: view.s, x0: view.ox, y0: view.oy, refused: r ? `${r.x},${r.y}` : "" });
  document.body.dataset.renderMs = performance.now() - t0;
}

// The overlay: the refused byte's ring, the layers, and the keyboard
// cursor while the picture has the focus.
function renderOverlay() {
  const overlay = $("overlay"), ctx = context("overlay"), ratio = dpr();
  ctx.clearRect(0, 0, overlay.width, overlay.height);
  const at = (x, y) => toPixels(x, y, ratio);
  ring(ctx, layout().refusedCell, palette.refused, []);
  for (const layer of layers) layer(ctx, at, picture.view.s * ratio, palette, ratio);
  if (document.activeElement === $("canvas")) ring(ctx, picture.cursor, palette.accent, [3 * ratio, 2 * ratio]);
  due.overlay = false;
}

// A ring around a cell, never smaller than a finger's width of pixels.
function ring(ctx, cell, color, dash) {
  if (!cell) return;
  const ratio = dpr(), s = picture.view.s * ratio;
  const size = Math.max(s + 4 * ratio, 12 * ratio);
  const [x, y] = toPixels(cell.x + 0.5, cell.y + 0.5, ratio);
  ctx.save();
  ctx.strokeStyle = color;
  ctx.lineWidth = 2 * ratio;
  ctx.setLineDash(dash);
  ctx.strokeRect(x - size / 2, y - size / 2, size, size);
  ctx.restore();
}

// At most once a frame: the whole picture if it is due, else the pixels
// of the cells toggled since the last frame, and the overlay.
let frame = 0;
function onFrame() {
  frame = 0;
  if (!layout().rowStart) return;
  if (due.whole) return render();
  if (due.rect) {
    const [x0, x1, y0, y1] = due.rect;
    due.rect = null;
    if (x1 > x0 && y1 > y0) context("canvas").putImageData(image, 0, 0, x0, y0, x1 - x0, y1 - y0);
  }
  if (due.overlay) renderOverlay();
}
const renderSoon = () => { if (!frame) frame = requestAnimationFrame(onFrame); };
export const overlaySoon = () => { due.overlay = true; renderSoon(); };
// What is due, rendered now: a stroke's end brings the picture in step
// with the listing at once.
function renderNow() {
  if (frame) cancelAnimationFrame(frame);
  onFrame();
}

// Whether a grid position is one of the picture's cells: in the box of
// the map's widest row by its rows (a short row's tinted end included),
// or, for a map with no cells, where its first cell will be.
export const onPicture = ({ x, y }) =>
  x >= 0 && y >= 0 && x < Math.max(layout().widest, 1) && y < Math.max(layout().rows, 1) || isRefused(x, y);

// The grid position under a point of the canvas, in the map or not.
export function gridAt(cx, cy) {
  const { view } = picture;
  if (!view) return { x: 0, y: 0 };
  return { x: Math.floor((cx - view.ox) / view.s), y: Math.floor((cy - view.oy) / view.s) };
}

// What is under the pointer or the cursor, as the listing names it, and
// while drawing, where painting would grow the map; told again when the
// map changes under it.
let told = [null, false];
export function tell(c, drawing = false) {
  if (c?.x !== told[0]?.x || c?.y !== told[0]?.y) overlaySoon();
  told = [c, drawing];
  const state = c ? cellState(c.x, c.y) : null;
  $("cell").textContent = !c ? "" : state !== null ? `[${c.x},${c.y}] ${state ? "marked" : "blank"}`
    : isRefused(c.x, c.y) ? `[${c.x},${c.y}] the refused byte`
    : drawing && !layout().refused && c.x >= 0 && c.y >= 0 ? `[${c.x},${c.y}] past the map: painting grows it`
    : "";
}

// The cell told of last: the rulers mark it.
export const underPointer = () => told[0];

export function zoom(factor, cx, cy) {
  const { view } = picture;
  const s = Math.min(Math.max(view.s * factor, 1e-4), 64);
  picture.view = { s, ox: cx - (cx - view.ox) * s / view.s, oy: cy - (cy - view.oy) * s / view.s, fit: false };
  renderWhole();
}
// About the middle of the picture.
export function zoomBy(factor) {
  const canvas = $("canvas");
  zoom(factor, canvas.clientWidth / 2, canvas.clientHeight * 3 / 4);
}

export function pan(dx, dy) {
  const { view } = picture;
  picture.view = { ...view, ox: view.ox + dx, oy: view.oy + dy, fit: false };
  renderWhole();
}

export function refit() {
  picture.view = null;
  render();
}

// The cell of the map nearest to this grid position.
function nearest(at) {
  const y = Math.min(Math.max(at.y, 0), layout().rows - 1);
  return { x: Math.min(Math.max(at.x, 0), Math.max(rowLength(y) - 1, 0)), y };
}

// The keyboard cursor shows as soon as the picture has the focus: where
// there is none, it comes to the top-left cell in view. True if it came.
function placeCursor() {
  if (picture.cursor || layout().rows === 0 || document.activeElement !== $("canvas")) return false;
  picture.cursor = nearest(gridAt(RULERS.left, RULERS.top));
  overlaySoon();
  return true;
}

// Moves the keyboard cursor from cell to cell, bringing it into view.
export function moveCursor(dx, dy) {
  const { cursor } = picture, canvas = $("canvas");
  if (layout().rows === 0) return;
  const { x, y } = picture.cursor = nearest(cursor ? { x: cursor.x + dx, y: cursor.y + dy } : { x: 0, y: 0 });
  const w = canvas.clientWidth, h = canvas.clientHeight, [cx, cy] = toPixels(x + 0.5, y + 0.5);
  if (cx < 0 || cx > w || cy < 0 || cy > h) pan(w / 2 - cx, h / 2 - cy);
  tell(exists(x, y) ? picture.cursor : null);
  overlaySoon();
}

export function startPicture() {
  new ResizeObserver(renderWhole).observe($("canvas"));
  matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => {
    readPalette();
    renderWhole();
  });
  $("canvas").addEventListener("focus", () => placeCursor() || overlaySoon());
  $("canvas").addEventListener("blur", overlaySoon);
  // A map laid out anew renders whole and shows its readouts once it is
  // converted; another is fitted anew.
  let readouts = true;
  on("cells", cellsToggled);
  on("map", ({ another }) => {
    if (another) Object.assign(picture, { view: null, cursor: null });
    reset();
    readouts = true;
    renderWhole();
  });
  on("converted", () => {
    if (readouts) showPicture();
    else renderNow();
    placeCursor();
    readouts = false;
    tell(...told);
  });
}
