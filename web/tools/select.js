// Select: a box of cells, dragged out over the map and shown with a
// dashed outline, its size and corner in the readout. Dragging inside it
// moves its cells; the arrow keys move it a cell. Copy, Cut and Paste go
// through the system's clipboard as map text; Delete blanks it; the flips
// and the quarter turn act on it in place. Each change is one step.
import { $, decoder } from "../page.js";
import { layout, write } from "../cells.js";
import { commit } from "../edit.js";
import { gridAt, marksSoon, picture } from "../picture.js";
import { blockBytes, flipped, parseBlock, place, readBlock, rotated } from "../block.js";
import { turnWhole } from "../reshape.js";

// box: the selection, or null; drag: the box being dragged out, or the
// selection being moved by (dx, dy).
export const selection = { box: null, drag: null };

export function select(b) {
  selection.box = b;
  $("selected").textContent = b ? `${b.w} × ${b.h} at [${b.x},${b.y}]` : "Nothing selected.";
  for (const id of ["copy", "cut", "delete", "crop"]) $(id).disabled = !b;
  marksSoon();
}

// The box of two cells' corners, within the map's box: its longest row by
// its rows.
function span(a, b) {
  const clamp = (v, max) => Math.min(Math.max(v, 0), Math.max(max - 1, 0));
  const x0 = clamp(Math.min(a.x, b.x), layout.cols), x1 = clamp(Math.max(a.x, b.x), layout.cols);
  const y0 = clamp(Math.min(a.y, b.y), layout.rows), y1 = clamp(Math.max(a.y, b.y), layout.rows);
  return { x: x0, y: y0, w: x1 - x0 + 1, h: y1 - y0 + 1 };
}

const inside = (b, c) => !!b && c.x >= b.x && c.x < b.x + b.w && c.y >= b.y && c.y < b.y + b.h;

export const selectTool = {
  down(cell) {
    selection.drag = inside(selection.box, cell)
      ? { from: cell, to: cell, moving: true, block: readBlock(selection.box) }
      : { from: cell, to: cell, moving: false };
    marksSoon();
  },
  move(cell) {
    selection.drag.to = cell;
    marksSoon();
  },
  up(cell, e, t0) {
    const { from, to, moving, block } = selection.drag;
    selection.drag = null;
    cell ??= to;
    const still = cell.x === from.x && cell.y === from.y;
    if (moving && !still) move(block, cell.x - from.x, cell.y - from.y, t0);
    else if (!moving) select(still || layout.rows === 0 ? null : span(from, cell));
    marksSoon();
  },
  cancel() {
    selection.drag = null;
    marksSoon();
  },
};

// The block written with its corner at (x, y), the positions of the box
// cleared that it does not cover blank, and selected: one step.
function put(block, x, y, cleared, t0) {
  const edits = write(place(block, x, y, cleared));
  select({ x, y, w: block.w, h: block.h });
  commit(edits, t0);
}

// The selection's cells to where it lands; where it was becomes blank.
function move(block, dx, dy, t0) {
  const b = selection.box;
  put(block, Math.max(b.x + dx, 0), Math.max(b.y + dy, 0), b, t0);
}

export function nudge(dx, dy, t0) {
  if (selection.box) move(readBlock(selection.box), dx, dy, t0);
}

// The selection as map text, for the clipboard.
export const copied = () => selection.box ? decoder.decode(blockBytes(readBlock(selection.box))) : null;

export function blank(t0) {
  const b = selection.box;
  if (b) commit(write(place({ w: 0, h: 0, cells: [] }, b.x, b.y, b)), t0);
}

// Text pasted at the selection's corner, or the keyboard cursor's, or the
// top-left cell in view, then selected; text that is no block is said
// and pastes nothing.
export function paste(text, t0) {
  const block = parseBlock(text);
  if (block.error) {
    $("tool-note").textContent = `Nothing pasted: ${block.error} of the text is not O, . or a line end.`;
    return;
  }
  if (block.h === 0) return;
  const corner = selection.box ?? picture.cursor ?? gridAt(0, 0);
  $("tool-note").textContent = "";
  put(block, Math.max(corner.x, 0), Math.max(corner.y, 0), null, t0);
}

// The selection flipped across (left for right) or not (top for bottom),
// or turned a quarter clockwise at the same corner, the cells of the old
// box it no longer covers blank.
export function turn(how, t0) {
  const b = selection.box, block = readBlock(b);
  put(how === "rotate" ? rotated(block) : flipped(block, how === "across"), b.x, b.y, b, t0);
}

// With nothing selected, the whole map, written anew.
export const turnAny = (how, t0) => selection.box ? turn(how, t0) : turnWhole(how, t0);

// The dashed outline, where the selection is or is being dragged to, with
// the cells it carries while it moves.
picture.marks.push((ctx, at, s, colours) => {
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
});
