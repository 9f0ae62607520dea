// The mirror's images of a cell about the axes of a map of w by h cells,
// across (left–right), down (top–bottom) or both: the cell and each image
// that is not itself nor at a negative position, each given to `each`.
export function images(x, y, axis, each) {
  each(x, y);
  if (!axis) return;
  const mx = axis.w - 1 - x, my = axis.h - 1 - y;
  if (axis.across && mx !== x && mx >= 0) each(mx, y);
  if (axis.down && my !== y && my >= 0) each(x, my);
  if (axis.across && axis.down && mx !== x && my !== y && mx >= 0 && my >= 0) each(mx, my);
}
