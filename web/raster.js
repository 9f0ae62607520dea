// The picture's pixels. The image of the map at one pixel per cell is the
// layout's own cell array; for views where cells are smaller than device
// pixels there are pooled images, of 2, 4, 8... cells a side, each pixel
// marked where any of its cells is, blank where it has a cell at all, so
// that zooming out hides no marked cell. A view is rendered into an image of
// the canvas by taking, for each device pixel, the cell under its centre
// in the image whose cells are at least a pixel: its cost is the canvas's,
// whatever the map. A toggled cell repaints the pixels it covers and no more.
// A canvas could not hold a row of a million cells as an image: browsers
// cap its sides at tens of thousands of pixels.
import { layout } from "./document.js";
import { pool } from "./pooling.js";

// A pooled pixel: no cell, or its cells' most: blank 1, marked 2.
const NO_CELL = 0;

// levels[k]: the image pooled 2^k cells a side, as rows of cells, each row
// its own length; levels[0] reads the layout. Built as zooming out needs.
let levels = [];

export function reset() {
  const { rows, rowStart, cells } = layout();
  levels = [{ rows, start: rowStart, cells, add: 1 }];
}

// Cells of the map toggled within a box: the pooled pixels over it follow.
export function toggled({ x, y, w, h }) {
  let x0 = x, y0 = y, x1 = x + w - 1, y1 = y + h - 1;
  for (let k = 1; k < levels.length; k++) {
    const fine = levels[k - 1], level = levels[k];
    x0 >>= 1, y0 >>= 1, x1 >>= 1, y1 >>= 1;
    for (let py = y0; py <= y1 && py < level.rows; py++) {
      const n = level.start[py + 1] - level.start[py];
      for (let px = x0; px <= x1 && px < n; px++) {
        let v = NO_CELL;
        for (let fy = 2 * py; fy < 2 * py + 2 && fy < fine.rows; fy++) {
          const from = fine.start[fy], m = fine.start[fy + 1] - from;
          for (let fx = 2 * px; fx < 2 * px + 2 && fx < m; fx++) v = Math.max(v, fine.cells[from + fx] + fine.add);
        }
        level.cells[level.start[py] + px] = v;
      }
    }
  }
}

// The view in device pixels: s per cell, the map's corner at (ox, oy).
// Cells of four pixels or more keep a pixel's gap between them, so that
// they read as squares; a row's band is tinted, gaps included, where its
// width is not the map's.
let view = null, cols = null;

export function setView(s, ox, oy, width) {
  let k = 0;
  while (s * 2 ** k < 1 && (levels[k].rows > 1 || levels[k].cells.length > 1)) {
    if (k + 1 === levels.length) levels.push(pool(levels[k], 2));
    k++;
  }
  const S = s * 2 ** k, gap = s >= 4 ? 1 : 0;
  view = { s, ox, oy, k, S, gap };
  cols = new Int32Array(width);
  for (let p = 0; p < width; p++) {
    const at = p + 0.5 - ox, c = Math.floor(at / S);
    cols[p] = c < 0 || at - c * S >= S - gap ? -1 : c;
  }
}

// Paints the pixels [x0, x1) × [y0, y1) of px, an image W pixels wide, in
// the colours given as the canvas stores them.
export function renderPixels(px, W, x0, x1, y0, y1, colours) {
  const { s, oy, k, S, gap } = view, level = levels[k];
  const lut = [0, colours.blank, colours.marked];
  let last = "";
  for (let py = y0; py < y1; py++) {
    const at = py + 0.5 - oy, y = Math.floor(at / S), band = Math.floor(at / s), base = py * W;
    const empty = band >= 0 && band < layout().rows && layout().uneven[band] ? colours.uneven : colours.bg;
    const inGap = y < 0 || y >= level.rows || at - y * S >= S - gap;
    const key = `${inGap ? -1 : y} ${empty}`;
    if (key === last) {
      px.copyWithin(base + x0, base - W + x0, base - W + x1);
      continue;
    }
    last = key;
    if (inGap) {
      px.fill(empty, base + x0, base + x1);
      continue;
    }
    lut[NO_CELL] = empty;
    const from = level.start[y], n = level.start[y + 1] - from, { cells, add } = level;
    for (let p = x0; p < x1; p++) {
      const c = cols[p];
      px[base + p] = c < 0 || c >= n ? empty : lut[cells[from + c] + add];
    }
  }
}

// The pixels a cell of the map covers in the view, clipped to W × H.
export function cover(x, y, W, H) {
  const { ox, oy, k, S } = view, cx = x >> k, cy = y >> k;
  const clip = (v, max) => Math.min(Math.max(v, 0), max);
  return [clip(Math.floor(ox + cx * S), W), clip(Math.ceil(ox + (cx + 1) * S), W),
    clip(Math.floor(oy + cy * S), H), clip(Math.ceil(oy + (cy + 1) * S), H)];
}

