// The picture: the map's cells on a canvas that fits its box, zoomed and
// panned by the view, and over it, on a canvas of its own, the refused
// byte ringed in red, the keyboard cursor and what the tools show. Points
// of the canvas, in CSS pixels from its corner, map to cells here and
// nowhere else. Input only changes state: the canvas is drawn at most once
// an animation frame, a turned cell redraws its own pixels, and only a
// new layout, a zoom or a pan redraws the whole.
import { $, count } from "./page.js";
import { cellState, exists, isRefused, layout, relayout, rowLength, watch } from "./cells.js";
import { cover, paint, reset, setView, turned } from "./raster.js";

// view: the scale s (CSS pixels per cell) and the origin (ox, oy),
// refitted to the box while fit is set; cursor: the cell the arrow keys
// are on; marks: what tools draw over the picture, each a function of the
// overlay's context and a function from cells to its pixels.
export const picture = { view: null, cursor: null, marks: [] };

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
    bgCss: css("--panel") };
}

// What is waiting for the next frame: the whole picture, the pixels of
// turned cells, the overlay.
const due = { whole: false, rect: null, marks: false };
let image = null, px = null;

watch.cell = (x, y) => {
  turned(x, y);
  if (!image || due.whole) return drawSoon();
  const [x0, x1, y0, y1] = cover(x, y, image.width, image.height), r = due.rect;
  due.rect = r ? [Math.min(r[0], x0), Math.max(r[1], x1), Math.min(r[2], y0), Math.max(r[3], y1)] : [x0, x1, y0, y1];
  if (x1 > x0 && y1 > y0) paint(px, image.width, x0, x1, y0, y1, palette);
  drawSoon();
};
watch.all = () => {
  reset();
  due.whole = true;
  drawSoon();
};

// The readouts of the map's size and uneven rows, and the picture drawn
// at once. A new map is fitted; a changed one keeps the view, so that cells
// stay under the pointer that paints them.
export function showPicture(fitted) {
  if (fitted) Object.assign(picture, { view: null, cursor: null });
  const { refused, wid, hgt, unevenRows } = layout;
  $("size").textContent = refused ? (layout.refusedCell ? "The map up to the refused byte, marked in red." : "")
    : `Width ${wid}, height ${hgt}: the width is the last row's cell count.`;
  $("canvas").setAttribute("aria-label", refused ? "Picture of the map up to the refused byte"
    : `Picture of the map, ${wid} by ${hgt} cells`);
  const listed = unevenRows.slice(0, 12).join(", ") + (unevenRows.length > 12 ? ", …" : "");
  $("uneven").textContent = unevenRows.length === 0 ? "" :
    `${count(unevenRows.length, "row")} of another width than ${wid}, tinted: y ${listed}.`;
  draw();
}

// The whole map in the box, its cells at most 48 pixels; an empty map
// starts at the corner, where its first cell will be.
function fit() {
  const canvas = $("canvas"), w = canvas.clientWidth, h = canvas.clientHeight;
  if (layout.rows === 0) {
    picture.view = { s: 24, ox: 0, oy: 0, fit: true };
    return;
  }
  const s = Math.min(w / Math.max(layout.cols, 1), h / layout.rows, 48);
  picture.view = { s, ox: (w - layout.cols * s) / 2, oy: (h - layout.rows * s) / 2, fit: true };
}

// The whole picture, now.
export function draw() {
  const t0 = performance.now(), canvas = $("canvas"), dpr = window.devicePixelRatio || 1;
  if (layout.stale) relayout();
  const W = Math.round(canvas.clientWidth * dpr), H = Math.round(canvas.clientHeight * dpr);
  for (const c of [canvas, $("overlay")]) if (c.width !== W || c.height !== H) [c.width, c.height] = [W, H];
  if (!palette) readPalette();
  if (!picture.view || picture.view.fit) fit();
  const { view } = picture;
  if (image?.width !== W || image?.height !== H) {
    image = canvas.getContext("2d").createImageData(W, H);
    px = new Uint32Array(image.data.buffer);
  }
  setView(view.s * dpr, view.ox * dpr, view.oy * dpr, W);
  paint(px, W, 0, W, 0, H, palette);
  canvas.getContext("2d").putImageData(image, 0, 0);
  Object.assign(due, { whole: false, rect: null });
  drawMarks();
  const r = layout.refusedCell;
  Object.assign(canvas.dataset, { cell: view.s, x0: view.ox, y0: view.oy, refused: r ? `${r.x},${r.y}` : "" });
  document.body.dataset.drawMs = performance.now() - t0;
}

// The overlay: the refused byte's ring, what the tools show, and the
// keyboard cursor while the picture has the focus.
function drawMarks() {
  const overlay = $("overlay"), ctx = overlay.getContext("2d"), dpr = window.devicePixelRatio || 1;
  ctx.clearRect(0, 0, overlay.width, overlay.height);
  const { view } = picture;
  const at = (x, y) => [(view.ox + x * view.s) * dpr, (view.oy + y * view.s) * dpr];
  ring(ctx, layout.refusedCell, palette.refused, []);
  for (const mark of picture.marks) mark(ctx, at, view.s * dpr, palette);
  if (document.activeElement === $("canvas")) ring(ctx, picture.cursor, palette.accent, [3 * dpr, 2 * dpr]);
  due.marks = false;
}

// A ring around a cell, never smaller than a finger's width of pixels.
function ring(ctx, cell, color, dash) {
  if (!cell) return;
  const { view } = picture, dpr = window.devicePixelRatio || 1, s = view.s * dpr;
  const size = Math.max(s + 4 * dpr, 12 * dpr);
  const cx = (view.ox + (cell.x + 0.5) * view.s) * dpr, cy = (view.oy + (cell.y + 0.5) * view.s) * dpr;
  ctx.save();
  ctx.strokeStyle = color;
  ctx.lineWidth = 2 * dpr;
  ctx.setLineDash(dash);
  ctx.strokeRect(cx - size / 2, cy - size / 2, size, size);
  ctx.restore();
}

// At most once a frame: the whole picture if it is due, else the pixels
// of the cells turned since the last frame, and the overlay.
let frame = 0;
function onFrame() {
  frame = 0;
  if (!layout.rowStart) return;
  if (due.whole || layout.stale) return draw();
  if (due.rect) {
    const [x0, x1, y0, y1] = due.rect;
    due.rect = null;
    if (x1 > x0 && y1 > y0) $("canvas").getContext("2d").putImageData(image, 0, 0, x0, y0, x1 - x0, y1 - y0);
  }
  if (due.marks) drawMarks();
}
export const drawSoon = () => { if (!frame) frame = requestAnimationFrame(onFrame); };
export const marksSoon = () => { due.marks = true; drawSoon(); };
// What is due, drawn now: a stroke's end brings the picture in step with
// the listing at once.
export function drawNow() {
  if (frame) cancelAnimationFrame(frame);
  onFrame();
}

// The grid position under a point of the canvas, in the map or not.
export function gridAt(cx, cy) {
  const { view } = picture;
  return { x: Math.floor((cx - view.ox) / view.s), y: Math.floor((cy - view.oy) / view.s) };
}

// What is under the pointer or the cursor, as the listing names it, and
// while drawing, where painting would grow the map; told again when the
// map changes under it.
let told = [null, false];
export const retell = () => tell(...told);
export function tell(c, drawing = false) {
  told = [c, drawing];
  const state = c ? cellState(c.x, c.y) : null;
  $("cell").textContent = !c ? "" : state !== null ? `[${c.x},${c.y}] ${state ? "marked" : "blank"}`
    : isRefused(c.x, c.y) ? `[${c.x},${c.y}] the refused byte`
    : drawing && !layout.refused && c.x >= 0 && c.y >= 0 ? `[${c.x},${c.y}] past the map: painting grows it`
    : "";
}

export function zoom(factor, cx, cy) {
  const { view } = picture;
  const s = Math.min(Math.max(view.s * factor, 1e-4), 64);
  picture.view = { s, ox: cx - (cx - view.ox) * s / view.s, oy: cy - (cy - view.oy) * s / view.s, fit: false };
  due.whole = true;
  drawSoon();
}

export function pan(dx, dy) {
  const { view } = picture;
  picture.view = { ...view, ox: view.ox + dx, oy: view.oy + dy, fit: false };
  due.whole = true;
  drawSoon();
}

export function refit() {
  picture.view = null;
  draw();
}

// Moves the keyboard cursor from cell to cell, bringing it into view.
export function moveCursor(dx, dy) {
  const { cursor } = picture, canvas = $("canvas");
  if (layout.rows === 0) return;
  const at = cursor ?? { x: 0, y: 0 };
  const y = Math.min(Math.max(at.y + (cursor ? dy : 0), 0), layout.rows - 1);
  const x = Math.min(Math.max(at.x + (cursor ? dx : 0), 0), Math.max(rowLength(y) - 1, 0));
  picture.cursor = { x, y };
  const { view } = picture, w = canvas.clientWidth, h = canvas.clientHeight;
  const cx = view.ox + (x + 0.5) * view.s, cy = view.oy + (y + 0.5) * view.s;
  if (cx < 0 || cx > w || cy < 0 || cy > h) pan(w / 2 - cx, h / 2 - cy);
  tell(exists(x, y) ? picture.cursor : null);
  marksSoon();
}

export function startPicture() {
  new ResizeObserver(() => { due.whole = true; drawSoon(); }).observe($("canvas"));
  matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => {
    readPalette();
    due.whole = true;
    drawSoon();
  });
  $("canvas").addEventListener("focus", marksSoon);
  $("canvas").addEventListener("blur", marksSoon);
}
