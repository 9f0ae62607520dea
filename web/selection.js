// The selection: a box of cells, shown with a dashed outline and its size
// and corner in the readout, and what is done to it. Its cells move by a
// drag (tools/select.js) or by the arrow keys; they go to the clipboard as
// map text (clipboard.js); they are blanked, mirrored and rotated in place.
// With nothing selected the mirrors and the rotation act on the whole map.
// Each change is one step.
import { $, channel, decoder } from "./page.js";
import { commit, layout, on, write } from "./document.js";
import { addLayer, gridAt, overlaySoon, picture } from "./picture.js";
import { blockBytes, boxOf, parseBlock, place, readBlock } from "./block.js";
import { oriented, orientWhole } from "./reshape.js";
import { offerPaste, printable } from "./charset.js";

// box: the selection, or null; drag: the box being dragged out, or the
// selection being moved by the cells from `from` to `to`, carrying block.
// Only this module writes them.
export const selection = { box: null, drag: null };
const events = channel();
// Told when the box changes: select(box).
export const onSelect = (fn) => events.on("select", fn);

export function select(b) {
  selection.box = b;
  $("selected").textContent = b ? `${b.w} × ${b.h} at [${b.x},${b.y}]` : "Nothing selected.";
  events.emit("select", b);
  overlaySoon();
}

// The box of two cells' corners, within the map's box: its longest row by
// its rows.
function span(a, b) {
  const clamp = ({ x, y }) => ({ x: Math.min(Math.max(x, 0), Math.max(layout.cols - 1, 0)),
    y: Math.min(Math.max(y, 0), Math.max(layout.rows - 1, 0)) });
  return boxOf(clamp(a), clamp(b));
}

const inside = (b, c) => !!b && c.x >= b.x && c.x < b.x + b.w && c.y >= b.y && c.y < b.y + b.h;

// A drag of the selection's cells, or of a new box, under way or not.
export function startDrag(cell) {
  selection.drag = inside(selection.box, cell)
    ? { from: cell, to: cell, moving: true, block: readBlock(selection.box) }
    : { from: cell, to: cell, moving: false };
  overlaySoon();
}
export function dragTo(cell) {
  selection.drag.to = cell;
  overlaySoon();
}
export function endDrag(cell) {
  const { from, to, moving, block } = selection.drag;
  selection.drag = null;
  cell ??= to;
  const still = cell.x === from.x && cell.y === from.y;
  if (moving && !still) move(block, cell.x - from.x, cell.y - from.y);
  else if (!moving) select(still || layout.rows === 0 ? null : span(from, cell));
  overlaySoon();
}
export function dropDrag() {
  selection.drag = null;
  overlaySoon();
}

// The block written with its corner at (x, y), the positions of the box
// cleared that it does not cover blank, and selected: one step.
function put(block, x, y, cleared) {
  const edits = write(place(block, x, y, cleared));
  select({ x, y, w: block.w, h: block.h });
  commit(edits);
}

// The selection's cells to where it lands; where it was becomes blank.
function move(block, dx, dy) {
  const b = selection.box;
  put(block, Math.max(b.x + dx, 0), Math.max(b.y + dy, 0), b);
}

export function nudge(dx, dy) {
  if (selection.box) move(readBlock(selection.box), dx, dy);
}

export const selectAll = () => select({ x: 0, y: 0, w: layout.cols, h: layout.rows });

// The selection as map text, for the clipboard.
export const copied = () => selection.box ? decoder.decode(blockBytes(readBlock(selection.box))) : null;

export function blank() {
  const b = selection.box;
  if (b) commit(write(place({ w: 0, h: 0, cells: [] }, b.x, b.y, b)));
}

// Text pasted at the selection's corner, or the keyboard cursor's, or the
// top-left cell in view, then selected; text that is no block is said
// and pastes nothing.
export function paste(text) {
  const block = parseBlock(text);
  if (block.error) {
    $("tool-note").textContent = `Nothing pasted: ${block.error} of the text is not O, . or a line end.`;
    if (printable(block.char)) offerPaste(text, paste);
    return;
  }
  if (block.h === 0) return;
  const corner = selection.box ?? picture.cursor ?? gridAt(0, 0);
  $("tool-note").textContent = "";
  put(block, Math.max(corner.x, 0), Math.max(corner.y, 0), null);
}

// The selection mirrored across or down, or rotated a quarter clockwise
// at the same corner, the cells of the old box it no longer covers blank;
// with nothing selected, the whole map, written anew.
export function orient(how) {
  const b = selection.box;
  if (!b) return orientWhole(how);
  put(oriented(readBlock(b), how), b.x, b.y, b);
}

// The dashed outline, where the selection is or is being dragged to, with
// the cells it carries while it moves.
function outline(ctx, at, s, colours) {
  const { box, drag } = selection;
  let b = box;
  if (drag && !drag.moving) b = span(drag.from, drag.to);
  if (drag?.moving) {
    b = { ...box, x: box.x + drag.to.x - drag.from.x, y: box.y + drag.to.y - drag.from.y };
    ctx.fillStyle = colours.markedCss;
    for (let j = 0; j < b.h; j++) {
      for (let i = 0; i < b.w; i++) {
        if (drag.block.cells[j * b.w + i] !== 1) continue;
        const [px, py] = at(b.x + i, b.y + j);
        ctx.fillRect(px, py, Math.max(s, 1), Math.max(s, 1));
      }
    }
  }
  if (!b) return;
  const [ax, ay] = at(b.x, b.y), [bx, by] = at(b.x + b.w, b.y + b.h);
  ctx.save();
  ctx.lineWidth = 2;
  ctx.setLineDash([6, 4]);
  ctx.strokeStyle = colours.bgCss;
  ctx.strokeRect(ax, ay, bx - ax, by - ay);
  ctx.lineDashOffset = 5;
  ctx.strokeStyle = colours.accent;
  ctx.strokeRect(ax, ay, bx - ax, by - ay);
  ctx.restore();
}

export function startSelection() {
  addLayer(outline);
  // Another map: nothing of it is selected.
  on("fitted", () => select(null));
  select(null);
}
