// Rulers and a grid to count by. Along the map's top and left edges (the
// picture's, where the map goes past them), the cells' coordinates as the listing gives them: x from 0 at the left,
// y counting the picture's rows, which are the listing's (an empty line
// is none). Labelled every 1, 5, 10, 50, 100… cells, the finest that
// leaves room for the labels at this zoom; the cell under the pointer or
// the keyboard cursor marked on both. Only what is in view is drawn, so
// the rulers cost what the overlay's size does, whatever the map. A
// heavier grid line every N cells (G steps N: off, 4, 5, 8, 10, 16) where
// cells are large enough to show their gaps.
import { layout } from "./document.js";
import { RULERS, addLayer, overlaySoon, underPointer } from "./picture.js";
import { option, setOption } from "./options.js";

// The steps G goes through; the option is an index.
const EVERY = [0, 4, 5, 8, 10, 16];
// Cells from one heavier line to the next, or 0: none.
export const gridEvery = () => EVERY[option("grid")];

export function stepGrid() {
  setOption("grid", (option("grid") + 1) % EVERY.length);
  overlaySoon();
}

// The finest step of 1, 5, 10, 50, 100… whose labels are at least gap
// pixels apart at s pixels a cell.
function stepFor(s, gap) {
  for (let step = 1; ; step *= 10) {
    if (step * s >= gap) return step;
    if (5 * step * s >= gap) return 5 * step;
  }
}

// The labels of one ruler in view: the multiples of step from 0 to n - 1
// whose cells are between the pixels from and to, their ends at(i).
function labels(n, step, from, to, at) {
  const out = [];
  const first = Math.max(0, Math.floor((from - at(0)) / (at(1) - at(0)) / step) * step);
  for (let i = first; i < n && at(i) < to; i += step) if (at(i + 1) > from) out.push(i);
  return out;
}

// Where each label is drawn along its ruler: just past its cell's edge,
// but the last, which would pass the ruler's end, drawn back to end
// there, in place of the one before if they would meet. [i, at] pairs.
function placed(list, at, size, end, gap) {
  const out = list.map((i) => [i, at(i)]), last = out.at(-1);
  if (!last || last[1] + size(last[0]) <= end) return out;
  last[1] = end - size(last[0]);
  const before = out.at(-2);
  if (before && before[1] + size(before[0]) + gap > last[1]) out.splice(-2, 1);
  return out;
}

function rulers(ctx, at, s, colours, ratio) {
  const { widest, rows } = layout(), overlay = ctx.canvas;
  if (rows === 0) return void Object.assign(overlay.dataset, { rulerX: "", rulerY: "" });
  const band = RULERS.top * ratio, wide = RULERS.left * ratio, font = 11 * ratio, [x0, y0] = at(0, 0);
  const xAt = (i) => x0 + i * s, yAt = (j) => y0 + j * s;
  // The bands' corner, against the map, within the picture; each as long
  // as the map is in view.
  const left = Math.min(Math.max(x0 - wide, 0), overlay.width - wide), top = Math.min(Math.max(y0 - band, 0), overlay.height - band);
  const right = Math.max(Math.min(xAt(widest), overlay.width), left + wide), bottom = Math.max(Math.min(yAt(rows), overlay.height), top + band);
  const n = gridEvery();
  // The heavier grid, under the rulers.
  if (n && s >= 4 * ratio) {
    ctx.save();
    ctx.strokeStyle = colours.accent;
    ctx.lineWidth = Math.max(1, ratio);
    ctx.beginPath();
    for (const i of labels(widest + 1, n, 0, overlay.width, xAt)) ctx.moveTo(xAt(i), yAt(0)), ctx.lineTo(xAt(i), yAt(rows));
    for (const j of labels(rows + 1, n, 0, overlay.height, yAt)) ctx.moveTo(xAt(0), yAt(j)), ctx.lineTo(xAt(widest), yAt(j));
    ctx.stroke();
    ctx.restore();
  }
  ctx.save();
  ctx.font = `${font}px sans-serif`;
  const room = ctx.measureText(String(Math.max(widest, rows) - 1)).width + 6 * ratio;
  const xs = labels(widest, stepFor(s, room), left + wide, overlay.width, xAt);
  const ys = labels(rows, stepFor(s, font + 4 * ratio), top + band, overlay.height, yAt);
  ctx.globalAlpha = 0.85;
  ctx.fillStyle = colours.bgCss;
  // A device pixel short of the map, whose edge's grid line shows.
  ctx.fillRect(left, top, right - left, band - ratio);
  ctx.fillRect(left, top + band, wide - ratio, bottom - top - band);
  ctx.globalAlpha = 1;
  const c = underPointer();
  ctx.fillStyle = colours.accent;
  if (c && c.x >= 0 && c.x < widest) ctx.fillRect(xAt(c.x), top + band - 3 * ratio, s, 3 * ratio);
  if (c && c.y >= 0 && c.y < rows) ctx.fillRect(left + wide - 3 * ratio, yAt(c.y), 3 * ratio, s);
  ctx.fillStyle = colours.fgCss;
  ctx.textBaseline = "top";
  const across = placed(xs, (i) => xAt(i) + 2 * ratio, (i) => ctx.measureText(i).width, overlay.width - ratio, 4 * ratio);
  const down = placed(ys, (j) => yAt(j) + 2 * ratio, () => font, overlay.height - ratio, 0);
  for (const i of xs) ctx.fillRect(xAt(i), top, ratio, band);
  for (const j of ys) ctx.fillRect(left, yAt(j), wide, ratio);
  for (const [i, x] of across) ctx.fillText(i, x, top + 2 * ratio);
  for (const [j, y] of down) ctx.fillText(j, left + 2 * ratio, y);
  // What is labelled, any label that passes the overlay's edge, and where
  // the bands' corner is in CSS pixels, for the page's test.
  const cut = [...across.filter(([i, x]) => x + ctx.measureText(i).width > overlay.width),
    ...down.filter(([, y]) => y + font > overlay.height)].map(([i]) => i);
  ctx.restore();
  Object.assign(overlay.dataset, { rulerX: across.map(([i]) => i).join(" "), rulerY: down.map(([j]) => j).join(" "),
    rulerMark: c ? `${c.x},${c.y}` : "", rulerCut: cut.join(" "), rulerAt: `${left / ratio},${top / ratio}` });
}

export const startRulers = () => addLayer(rulers);
