// The cells of the ellipse inscribed in the box whose corners are the
// cells a and b, its outline or filled, each given to `each` as x, y.
//
// Its cells: those whose centre lies inside the ellipse that touches the
// box's sides, always with the middle row and column, so that a thin box
// still reaches all four sides. The outline is that set's edge walked
// through one quarter of the box, from the top's middle to the side's,
// with every corner cell dropped that the cells on either side of it
// already join through a corner; the other three quarters are its mirror
// images, so the outline is symmetric whatever the box's parity.
import { boxOf } from "./block.js";

export function ellipse(a, b, filled, each) {
  const { x, y, w, h } = boxOf(a, b);
  const midX = w >> 1, midY = (h - 1) >> 1;  // the quarter's first column, last row
  // The last cell of each row of the quarter, in the box.
  const ends = [];
  for (let j = 0; j <= midY; j++) {
    const dy = (j + 0.5 - h / 2) / (h / 2), reach = dy * dy <= 1 ? (w / 2) * Math.sqrt(1 - dy * dy) : 0;
    ends.push(j === midY ? w - 1 : Math.max(midX, Math.min(w - 1, Math.floor(w / 2 + reach - 0.5))));
  }
  const quarter = [];
  for (let j = 0; j <= midY; j++) {
    const from = filled ? midX : j === 0 ? midX : Math.min(ends[j - 1] + 1, ends[j]);
    for (let i = from; i <= ends[j]; i++) {
      if (filled) {
        quarter.push([i, j]);
        continue;
      }
      // A corner the cells before and after it meet around is not needed.
      while (quarter.length >= 2 && Math.max(Math.abs(quarter.at(-2)[0] - i), Math.abs(quarter.at(-2)[1] - j)) <= 1) quarter.pop();
      quarter.push([i, j]);
    }
  }
  // A cell on a middle row or column is its own image: writing takes it once.
  for (const [i, j] of quarter) {
    for (const [u, v] of [[i, j], [w - 1 - i, j], [i, h - 1 - j], [w - 1 - i, h - 1 - j]]) each(x + u, y + v);
  }
}
