// The picture: the map's cells on a canvas that fits its box, zoomed and
// panned by the view, with the refused byte ringed in red and the keyboard
// cursor in the accent colour. Points of the canvas, in CSS pixels from
// its corner, map to cells here and nowhere else.
import { $, count } from "./page.js";

// pic: the cells as laid out by the conversion; view: the scale s (CSS
// pixels per cell) and the origin (ox, oy), refitted to the box while fit
// is set; cursor: the cell the arrow keys are on.
export const picture = { out: null, pic: null, view: null, cursor: null };

let palette = null;
function readPalette() {
  const style = getComputedStyle(document.documentElement);
  // As the canvas stores a pixel: red in the low byte.
  const abgr = (name) => {
    const hex = parseInt(style.getPropertyValue(name).trim().slice(1, 7), 16);
    return (0xff000000 | (hex & 0xff) << 16 | (hex & 0xff00) | hex >> 16) >>> 0;
  };
  palette = { bg: abgr("--panel"), blank: abgr("--blank"), marked: abgr("--marked"), uneven: abgr("--uneven"),
    refused: style.getPropertyValue("--refused").trim(), accent: style.getPropertyValue("--accent").trim() };
}

export const rowLength = (y) => picture.pic.rowStart[y + 1] - picture.pic.rowStart[y];

// A new map is fitted; a changed one keeps the view, so that cells stay
// under the pointer that paints them.
export function showPicture(out, pic, fitted) {
  Object.assign(picture, { out, pic });
  if (fitted) Object.assign(picture, { view: null, cursor: null });
  $("size").textContent = out.refused ? (out.tooLarge ? "" : "The map up to the refused byte, marked in red.")
    : `Width ${out.wid}, height ${out.hgt}: the width is the last row's cell count.`;
  $("canvas").setAttribute("aria-label", out.refused ? "Picture of the map up to the refused byte"
    : `Picture of the map, ${out.wid} by ${out.hgt} cells`);
  const listed = pic.unevenRows.slice(0, 12).join(", ") + (pic.unevenRows.length > 12 ? ", …" : "");
  $("uneven").textContent = pic.unevenRows.length === 0 ? "" :
    `${count(pic.unevenRows.length, "row")} of another width than ${out.wid}, tinted: y ${listed}.`;
  draw();
}

// The whole map in the box, its cells at most 48 pixels; an empty map
// starts at the corner, where its first cell will be.
function fit() {
  const { pic } = picture, canvas = $("canvas");
  const w = canvas.clientWidth, h = canvas.clientHeight;
  if (pic.rows === 0) {
    picture.view = { s: 24, ox: 0, oy: 0, fit: true };
    return;
  }
  const s = Math.min(w / Math.max(pic.cols, 1), h / pic.rows, 48);
  picture.view = { s, ox: (w - pic.cols * s) / 2, oy: (h - pic.rows * s) / 2, fit: true };
}

// A device pixel shows the cell under its centre, or, where cells are
// smaller than pixels, what the cells it covers hold: marked if any is,
// blank if there is a cell at all. Cells of four pixels or more keep a
// pixel's gap between them, so that they read as squares.
export function draw() {
  const canvas = $("canvas"), ctx = canvas.getContext("2d");
  const dpr = window.devicePixelRatio || 1;
  const W = Math.round(canvas.clientWidth * dpr), H = Math.round(canvas.clientHeight * dpr);
  if (canvas.width !== W || canvas.height !== H) [canvas.width, canvas.height] = [W, H];
  if (!palette) readPalette();
  if (!picture.view || picture.view.fit) fit();
  const { view, pic } = picture;
  const s = view.s * dpr, ox = view.ox * dpr, oy = view.oy * dpr, gap = s >= 4 ? 1 : 0;
  // The cells [a, b) that pixel p shows along an axis, or none where it
  // falls in a gap.
  const span = (p, o) => {
    if (s < 1) return [Math.floor((p - o) / s), Math.ceil((p + 1 - o) / s)];
    const at = p + 0.5 - o, a = Math.floor(at / s);
    return at - a * s >= s - gap ? [0, 0] : [a, a + 1];
  };
  const { rows, rowStart, cells, uneven } = pic;
  const image = ctx.createImageData(W, H), px = new Uint32Array(image.data.buffer);
  const seen = new Uint8Array(W);  // 2: a marked cell, 1: a blank one
  for (let py = 0; py < H; py++) {
    const base = py * W;
    const [ra, rb] = span(py, oy), ya = Math.max(ra, 0), yb = Math.min(rb, rows);
    // A row's band is tinted, gaps included, where its width is not the map's.
    const band = Math.floor((py + 0.5 - oy) / s);
    const empty = band >= 0 && band < rows && uneven[band] ? palette.uneven : palette.bg;
    seen.fill(0);
    for (let y = ya; y < yb; y++) {
      const start = rowStart[y], len = rowStart[y + 1] - start;
      const pa = Math.max(Math.floor(ox), 0), pb = Math.min(Math.ceil(ox + len * s), W);
      for (let p = pa; p < pb; p++) {
        const [ca, cb] = span(p, ox), xa = Math.max(ca, 0), xb = Math.min(cb, len);
        if (xa >= xb) continue;
        let v = 1;
        for (let x = xa; x < xb; x++) if (cells[start + x]) { v = 2; break; }
        if (v > seen[p]) seen[p] = v;
      }
    }
    for (let p = 0; p < W; p++) px[base + p] = seen[p] === 2 ? palette.marked : seen[p] === 1 ? palette.blank : empty;
  }
  ctx.putImageData(image, 0, 0);
  const r = pic.refusedCell;
  outline(ctx, r, palette.refused, []);
  if (document.activeElement === canvas) outline(ctx, picture.cursor, palette.accent, [3 * dpr, 2 * dpr]);
  Object.assign(canvas.dataset, { cell: view.s, x0: view.ox, y0: view.oy, refused: r ? `${r.x},${r.y}` : "" });
}

// A ring around a cell, never smaller than a finger's width of pixels.
function outline(ctx, cell, color, dash) {
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

let redraw = 0;
export const drawSoon = () => {
  if (!redraw) redraw = requestAnimationFrame(() => { redraw = 0; if (picture.pic) draw(); });
};

// The grid position under a point of the canvas, in the map or not.
export function gridAt(cx, cy) {
  const { view } = picture;
  return { x: Math.floor((cx - view.ox) / view.s), y: Math.floor((cy - view.oy) / view.s) };
}

// 1 for a marked cell, 0 for a blank one, null where the map has none.
export function cellState({ x, y }) {
  const { pic } = picture;
  if (y < 0 || y >= pic.rows || x < 0 || x >= rowLength(y)) return null;
  return pic.cells[pic.rowStart[y] + x];
}

export const isRefused = (c) => {
  const r = picture.pic.refusedCell;
  return !!r && c.x === r.x && c.y === r.y;
};

// What is under the pointer or the cursor, as the listing names it, and
// while drawing, where painting would grow the map.
export function tell(c, drawing = false) {
  const state = c ? cellState(c) : null;
  $("cell").textContent = !c ? "" : state !== null ? `[${c.x},${c.y}] ${state ? "marked" : "blank"}`
    : isRefused(c) ? `[${c.x},${c.y}] the refused byte`
    : drawing && !picture.out.refused && c.x >= 0 && c.y >= 0 ? `[${c.x},${c.y}] past the map: painting grows it`
    : "";
}

export function zoom(factor, cx, cy) {
  const { view } = picture;
  const s = Math.min(Math.max(view.s * factor, 1e-4), 64);
  picture.view = { s, ox: cx - (cx - view.ox) * s / view.s, oy: cy - (cy - view.oy) * s / view.s, fit: false };
  drawSoon();
}

export function pan(dx, dy) {
  const { view } = picture;
  picture.view = { ...view, ox: view.ox + dx, oy: view.oy + dy, fit: false };
  drawSoon();
}

export function refit() {
  picture.view = null;
  draw();
}

// Moves the keyboard cursor from cell to cell, bringing it into view.
export function moveCursor(dx, dy) {
  const { pic, cursor } = picture, canvas = $("canvas");
  if (pic.rows === 0) return;
  const at = cursor ?? { x: 0, y: 0 };
  const y = Math.min(Math.max(at.y + (cursor ? dy : 0), 0), pic.rows - 1);
  const x = Math.min(Math.max(at.x + (cursor ? dx : 0), 0), Math.max(rowLength(y) - 1, 0));
  picture.cursor = { x, y };
  const { view } = picture, w = canvas.clientWidth, h = canvas.clientHeight;
  const cx = view.ox + (x + 0.5) * view.s, cy = view.oy + (y + 0.5) * view.s;
  if (cx < 0 || cx > w || cy < 0 || cy > h) pan(w / 2 - cx, h / 2 - cy);
  tell(rowLength(y) > 0 ? picture.cursor : null);
  draw();
}

export function startPicture() {
  new ResizeObserver(drawSoon).observe($("canvas"));
  matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => { readPalette(); drawSoon(); });
}
