// The selection: a box of cells, shown with a dashed outline and its size
// and corner in the readout, and what is done to it. Its cells move by a
// drag (tools/select.js) or by the arrow keys; they go to the clipboard as
// map text (clipboard.js); they are blanked, flipped and rotated in place.
// With nothing selected the flips and the rotation act on the whole map.
//
// A paste floats: the block is shown over the map, selected, where the
// user last put the spot, and moves by drag or arrow keys without writing a
// cell; it is written, as one step, when the user clicks outside it,
// presses Enter or picks another tool, and dropped by Esc. With the blanks
// option off ("blank cells paste too"), only a block's marked cells are
// written, pasted or moved: its blank cells leave the map under them as
// it is.
import { $, channel, decoder } from "./page.js";
import { begin, layout, on } from "./document.js";
import { addLayer, gridAt, overlaySoon } from "./picture.js";
import { blockBytes, boxOf, flipped, markedOnly, parseBlock, rotated } from "./block.js";
import { place, readBlock } from "./placing.js";
import { flipWhole, rotateWhole } from "./reshape.js";
import { say } from "./notes.js";
import { onOption, option } from "./options.js";
import { offerPaste } from "./charset.js";
import { printable } from "./characters.js";
import { keyed } from "./keys.js";

// box: the selection, or null; drag: the box being dragged out, or the
// selection being moved by the cells from `from` to `to`, carrying block;
// float: the block pasted and not yet written, at the box's corner;
// spot: the cell the user last clicked, tapped or moved the keyboard
// cursor to, where a paste goes. Only this module writes them.
export const selection = { box: null, drag: null, float: null, spot: null };
const events = channel();
// Told when the box changes: select(box).
export const onSelect = (fn) => events.on("select", fn);

// Where a paste goes: the selection's corner, else the spot, else the top-left cell in view.
function pasteAt() {
  const { x, y } = selection.box ?? selection.spot ?? gridAt(0, 0);
  return { x: Math.max(x, 0), y: Math.max(y, 0) };
}

function readout() {
  const b = selection.box, at = pasteAt();
  $("selected").textContent = !b ? `Nothing selected. Paste at [${at.x},${at.y}].`
    : `${b.w} × ${b.h} at [${b.x},${b.y}]${selection.float ? keyed(", pasted: {use:Enter} writes it, {escape} drops it") : ""}`;
}

export function select(b) {
  selection.box = b;
  if (!b) selection.float = null;
  // The flips and the rotation act on the selection, or with none on the
  // whole map: their buttons are the selection's, or the map's.
  $("selection-tools").hidden = !b;
  $("map-turns").hidden = !!b;
  readout();
  events.emit("select", b);
  overlaySoon();
}

export function spotAt(cell) {
  selection.spot = cell && { x: cell.x, y: cell.y };
  readout();
}

// The box of two cells' corners, within the map's box: its longest row by
// its rows.
function span(a, b) {
  const clamp = ({ x, y }) => ({ x: Math.min(Math.max(x, 0), Math.max(layout().widest - 1, 0)),
    y: Math.min(Math.max(y, 0), Math.max(layout().rows - 1, 0)) });
  return boxOf(clamp(a), clamp(b));
}

export const inside = (b, c) => !!b && c.x >= b.x && c.x < b.x + b.w && c.y >= b.y && c.y < b.y + b.h;

// A drag of the selection's cells, or of a new box, under way or not.
export function startDrag(cell) {
  const moving = inside(selection.box, cell);
  selection.drag = { from: cell, to: cell, moving, block: moving && (selection.float ?? readBlock(selection.box)) };
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
  else if (!moving) select(still || layout().rows === 0 ? null : span(from, cell));
  overlaySoon();
}
export function dropDrag() {
  selection.drag = null;
  overlaySoon();
}

const withBlanks = (block) => option("blanks") ? block : markedOnly(block);

// The block written with its corner at (x, y), the positions of the box
// cleared that it does not cover blank, and selected: one step, which
// brings the box back with it when undone or redone.
function put(block, x, y, cleared) {
  const before = selection.box, after = { x, y, w: block.w, h: block.h };
  const edit = begin();
  edit.write(place(block, x, y, cleared));
  selection.float = null;
  select(after);
  edit.commit({ selection: [before, after] });
}

// The selection's cells to where it lands; where it was becomes blank. A
// floating paste only moves.
function move(block, dx, dy) {
  const b = selection.box, x = Math.max(b.x + dx, 0), y = Math.max(b.y + dy, 0);
  if (selection.float) select({ ...b, x, y });
  else put(withBlanks(block), x, y, b);
}

export function nudge(dx, dy) {
  if (selection.box) move(selection.float ?? readBlock(selection.box), dx, dy);
}

export const selectAll = () => {
  settle();
  select({ x: 0, y: 0, w: layout().widest, h: layout().rows });
};

// Shift and the arrow keys: the box from where the cursor was when they
// began to where it is.
let anchor = null, extended = null;
export function extendTo(cursor, from) {
  settle();
  if (!anchor || selection.box !== extended) anchor = from;
  extended = span(anchor, cursor);
  select(extended);
}

// The selection, or the floating paste, as map text, for the clipboard.
export const copied = () => selection.float ? decoder.decode(blockBytes(selection.float))
  : selection.box ? decoder.decode(blockBytes(readBlock(selection.box))) : null;

export function blank() {
  const b = selection.box;
  if (selection.float) return select(null);
  if (!b) return;
  const edit = begin();
  edit.write(place({ w: 0, h: 0, cells: [] }, b.x, b.y, b));
  edit.commit({ selection: [b, b] });
}

// Text pasted where pasteAt says, floating; text that is no block is said
// and pastes nothing.
export function paste(text) {
  const block = parseBlock(text);
  if (block.error) {
    say(`Nothing pasted: ${block.error} of the text is not O, . or a line end.`);
    if (printable(block.char)) offerPaste(text, paste);
    return;
  }
  if (block.h === 0) return;
  settle();
  const { x, y } = pasteAt();
  selection.float = block;
  say("");
  select({ x, y, w: block.w, h: block.h });
}

// The floating paste written where it is; true if there was one.
export function settle() {
  const float = selection.float;
  if (!float) return false;
  const { x, y } = selection.box;
  selection.box = null;
  put(withBlanks(float), x, y, null);
  return true;
}

// Esc: the floating paste dropped, or else the selection.
export function drop() {
  select(null);
}

// The selection flipped across or down, or rotated a quarter clockwise
// at the same corner, the cells of the old box it no longer covers blank;
// with nothing selected, the whole map, written anew. A floating paste
// is flipped or rotated as it floats.
export const flip = (across) => selection.box ? reorient((block) => flipped(block, across)) : flipWhole(across);
export const rotate = () => selection.box ? reorient(rotated) : rotateWhole();
function reorient(how) {
  const b = selection.box;
  if (selection.float) {
    selection.float = how(selection.float);
    return select({ ...b, w: selection.float.w, h: selection.float.h });
  }
  put(how(readBlock(b)), b.x, b.y, b);
}

// The dashed outline, where the selection is or is being dragged to, with
// the cells it carries while it moves or floats: the marked ones, and the
// blank ones where they write.
function outline(ctx, at, s, colours, ratio) {
  const { box, drag, float } = selection;
  let b = box, cells = float;
  if (drag && !drag.moving) b = span(drag.from, drag.to);
  if (drag?.moving) {
    b = { ...box, x: box.x + drag.to.x - drag.from.x, y: box.y + drag.to.y - drag.from.y };
    cells = drag.block;
  }
  if (cells) {
    const blanks = float && option("blanks");
    for (let j = 0; j < b.h; j++) {
      for (let i = 0; i < b.w; i++) {
        const v = cells.cells[j * b.w + i];
        if (v !== 1 && !(v === 0 && blanks)) continue;
        ctx.fillStyle = v === 1 ? colours.markedCss : colours.blankCss;
        const [px, py] = at(b.x + i, b.y + j);
        ctx.fillRect(px, py, Math.max(s, 1), Math.max(s, 1));
      }
    }
  }
  if (!b) return;
  const [ax, ay] = at(b.x, b.y), [bx, by] = at(b.x + b.w, b.y + b.h);
  ctx.save();
  ctx.lineWidth = 2 * ratio;
  ctx.setLineDash([6 * ratio, 4 * ratio]);
  ctx.strokeStyle = colours.bgCss;
  ctx.strokeRect(ax, ay, bx - ax, by - ay);
  ctx.lineDashOffset = 5 * ratio;
  ctx.strokeStyle = colours.accent;
  ctx.strokeRect(ax, ay, bx - ax, by - ay);
  ctx.restore();
}

export function startSelection() {
  addLayer(outline);
  // Another map: nothing of it is selected or spotted.
  on("map", ({ another }) => {
    if (!another) return;
    selection.spot = null;
    select(null);
  });
  // A step undone or redone brings back the box it had.
  on("replayed", (step, forward) => {
    if (step.extra?.selection) select(step.extra.selection[forward ? 1 : 0]);
  });
  onOption((name) => name === "blanks" && overlaySoon());
  select(null);
}
