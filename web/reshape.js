// Crop, Resize, and the flips and the quarter turn of a whole map: the map
// written anew, each row exactly as wide as the new width and ended by the
// map's own line end, nothing but O and . in it. Tabs, skipped bytes and
// empty lines are not kept; Undo brings the map back as it was.
import { $, count } from "./page.js";
import { lineEnd } from "./map.js";
import { layout, relayout } from "./cells.js";
import { blockBytes, flipped, readBlock, rotated } from "./block.js";
import { rewrite } from "./edit.js";
import { sizeDialog } from "./dialogs.js";

const size = (w, h) => h * (w + lineEnd().length);

// The map's box: its longest row by its rows.
const whole = () => ({ x: 0, y: 0, w: layout.cols, h: layout.rows });

// A refused map is known only up to its refused byte: it is mended first.
function refusedSaid() {
  if (layout.stale) relayout();
  if (layout.refused) $("tool-note").textContent = "The map is refused: mend it first, and then it can be written anew.";
  return layout.refused;
}

function writeAnew(block, t0, what) {
  const bytes = blockBytes(block, lineEnd());
  $("tool-note").textContent = `${what}: the map written anew, ${block.w} × ${block.h} cells, ${count(bytes.length, "byte")}.`;
  rewrite(bytes, t0);
}

export function crop(box, t0) {
  if (!refusedSaid()) writeAnew(readBlock(box), t0, "Cropped");
}

// The whole map flipped or turned, when nothing is selected.
export function turnWhole(how, t0) {
  if (refusedSaid() || layout.rows === 0) return;
  const block = readBlock(whole());
  writeAnew(how === "rotate" ? rotated(block) : flipped(block, how === "across"), t0,
    how === "rotate" ? "Turned a quarter clockwise" : "Flipped");
}

// Asks for a width, a height and which of nine anchors stays put; the
// old cells keep their place against it, new cells are blank.
export function startResize() {
  sizeDialog("resize", size, () => {
    if (refusedSaid()) return false;
    $("resize-width").value = Math.max(layout.cols, 1);
    $("resize-height").value = Math.max(layout.rows, 1);
    return true;
  }, (w, h, t0) => {
    const [ax, ay] = document.querySelector('input[name="anchor"]:checked').value.split(",").map(Number);
    // The odd cell of a difference goes to the right and the bottom.
    const dx = Math.trunc((w - layout.cols) * ax / 2), dy = Math.trunc((h - layout.rows) * ay / 2);
    const old = readBlock(whole()), cells = new Uint8Array(w * h);
    for (let j = Math.max(dy, 0); j < Math.min(h, old.h + dy); j++) {
      for (let i = Math.max(dx, 0); i < Math.min(w, old.w + dx); i++) cells[j * w + i] = old.cells[(j - dy) * old.w + i - dx];
    }
    writeAnew({ w, h, cells }, t0, "Resized");
  });
}
