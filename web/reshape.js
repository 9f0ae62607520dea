// Crop, Resize, and the flips and the rotation of a whole map: the
// map written anew, each row exactly as wide as the new width and ended by
// the map's own line end, nothing but O and . in it. Tabs, other bytes
// and empty lines are not kept; Undo brings the map back as it was.
import { $, count } from "./page.js";
import { extent, layout, lineEnd, rewrite } from "./document.js";
import { blockBytes, mapSize, flipped, rotated } from "./block.js";
import { readBlock } from "./placing.js";
import { sizeDialog } from "./dialogs.js";
import { say } from "./notes.js";

// A refused map is known only up to its refused byte: it is mended first.
function refusedSaid() {
  if (layout().refused) say("The map is refused: mend it first, and then it can be written anew.");
  return layout().refused;
}

function writeAnew(block, what) {
  const bytes = blockBytes(block, lineEnd());
  rewrite(bytes);
  say(`${what}: the map written anew, ${block.w} × ${block.h} cells, ${count(bytes.length, "byte")}.`);
}

export function crop(box) {
  if (!refusedSaid()) writeAnew(readBlock(box), "Cropped");
}

// The whole map flipped across (left for right) or down (top for bottom),
// or rotated a quarter clockwise, when nothing is selected.
export function flipWhole(across) {
  if (!refusedSaid() && layout().rows > 0) writeAnew(flipped(readBlock(extent()), across), "Flipped");
}
export function rotateWhole() {
  if (!refusedSaid() && layout().rows > 0) writeAnew(rotated(readBlock(extent())), "Rotated a quarter clockwise");
}

// Asks for a width, a height and which of nine anchors stays put; the
// old cells keep their place against it, new cells are blank.
export const resize = sizeDialog("resize", (w, h) => mapSize(w, h, lineEnd()), () => {
  if (refusedSaid()) return false;
  $("resize-width").value = Math.max(layout().widest, 1);
  $("resize-height").value = Math.max(layout().rows, 1);
  return true;
}, (w, h) => {
  const [ax, ay] = document.querySelector('input[name="anchor"]:checked').value.split(",").map(Number);
  // The odd cell of a difference goes to the right and the bottom.
  const dx = Math.trunc((w - layout().widest) * ax / 2), dy = Math.trunc((h - layout().rows) * ay / 2);
  const old = readBlock(extent()), cells = new Uint8Array(w * h);
  for (let j = Math.max(dy, 0); j < Math.min(h, old.h + dy); j++) {
    for (let i = Math.max(dx, 0); i < Math.min(w, old.w + dx); i++) cells[j * w + i] = old.cells[(j - dy) * old.w + i - dx];
  }
  writeAnew({ w, h, cells }, "Resized");
});
