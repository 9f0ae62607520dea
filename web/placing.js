// A block read from a box of the map, and placed on the map as targets.
// Copied, a position that is no cell is a blank one.
import { DOT, O } from "./edits.js";
import { Targets, layout } from "./document.js";
import { AS_IS } from "./block.js";

// The states in a box of the map, row by row: 1 marked, 0 blank or no cell.
export function readBlock({ x, y, w, h }) {
  const cells = new Uint8Array(w * h);
  for (let j = 0; j < h; j++) {
    if (y + j >= layout().rows) break;
    const start = layout().rowStart[y + j], len = layout().rowStart[y + j + 1] - start;
    for (let i = 0; i < w && x + i < len; i++) cells[j * w + i] = layout().cells[start + x + i];
  }
  return { w, h, cells };
}

// The block with its corner at (x, y), and the positions of the box
// `cleared` it does not cover blank, as targets in reading order.
export function place(block, x, y, cleared = null) {
  const box = cleared ?? { x, y, w: 0, h: 0 };
  const x0 = Math.min(x, box.x), y0 = Math.min(y, box.y);
  const x1 = Math.max(x + block.w, box.x + box.w), y1 = Math.max(y + block.h, box.y + box.h);
  const targets = new Targets(block.w * block.h + box.w * box.h);
  for (let py = y0; py < y1; py++) {
    const inRows = py >= y && py < y + block.h, inBox = py >= box.y && py < box.y + box.h;
    for (let px = x0; px < x1; px++) {
      const v = inRows && px >= x && px < x + block.w ? block.cells[(py - y) * block.w + px - x] : AS_IS;
      if (v !== AS_IS) targets.push(px, py, v ? O : DOT);
      else if (inBox && px >= box.x && px < box.x + box.w) targets.push(px, py, DOT);
    }
  }
  return targets;
}
