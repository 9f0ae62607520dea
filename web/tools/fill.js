// Fill: a click on a cell toggles it, and every cell joined to it through
// its four neighbours in the same state, to the other state. Only cells
// join: the end of a row is a wall, and a fill never grows the map. With
// the mirror on, each image of the cell in the same state is filled too,
// in the same step; regions that meet are toggled once. A scanline fill
// with an explicit stack, not recursion: a fill may take a million cells.
import { begin, cellState, layout } from "../document.js";
import { mirrorAxis } from "../mirror.js";
import { images } from "../images.js";

export const fill = {
  name: "fill",
  label: "Fill",
  icon: "M4 12l7-7 7 7-7 7zM4 12h14M20 15c0 2 1.5 3 1.5 4.5a1.5 1.5 0 01-3 0C18.5 18 20 17 20 15z",
  keys: ["F"],
  help: "Click a cell, or press {use} on it: it and every cell joined to it in its state turn to the other.",
  touchHelp: "Tap a cell: it and every cell joined to it in its state turn to the other.",
  down(cell) {
    const from = cellState(cell.x, cell.y);
    if (from === null) return;
    const { rows, rowStart, cells } = layout(), n = rowStart[rows];
    // A seed for each image, at most four, beside the stack's own bound.
    const seen = new Uint8Array(n), joined = new Int32Array(n), stack = new Int32Array(2 * n + 8);
    const open = (i) => cells[i] === from && !seen[i];
    let top = 0, count = 0;
    images(cell.x, cell.y, mirrorAxis(), (x, y) => {
      if (cellState(x, y) !== from) return;
      stack[top++] = x;
      stack[top++] = y;
    });
    while (top > 0) {
      const y = stack[--top], x = stack[--top], start = rowStart[y];
      if (!open(start + x)) continue;
      // The run of the row through (x, y), and seeds in the rows beside it.
      let l = x, r = x;
      while (l > 0 && open(start + l - 1)) l--;
      while (start + r + 1 < rowStart[y + 1] && open(start + r + 1)) r++;
      for (let i = start + l; i <= start + r; i++) {
        seen[i] = 1;
        joined[count++] = i;
      }
      for (const ny of [y - 1, y + 1]) {
        if (ny < 0 || ny >= rows) continue;
        const s = rowStart[ny], end = Math.min(r, rowStart[ny + 1] - s - 1);
        for (let nx = l; nx <= end; nx++) {
          if (open(s + nx) && (nx === l || !open(s + nx - 1))) {
            stack[top++] = nx;
            stack[top++] = ny;
          }
        }
      }
    }
    const edit = begin();
    edit.toggle(joined.subarray(0, count));
    edit.commit();
  },
  move() {},
  up() {},
  cancel() {},
};
