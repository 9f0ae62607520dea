// Cells pooled k a side, for views smaller than the map: the picture's
// levels zoomed out (raster.js) and the Maps list's thumbnails (keep.js).
// A pooled cell is marked where any of its cells is, blank where it has a
// cell at all, so that no marked cell is hidden; rows keep their own
// lengths, so that past a row's end there is none. What needs no page, so
// that Node can test it.

// Cells as rows: rows, start (rows + 1 offsets into cells), cells, add
// (what each cell's value is short of its pooled value: none 0, blank 1,
// marked 2; 1 for the layout's own cells, 0 for pooled ones).
export function pool(fine, k) {
  const rows = Math.ceil(fine.rows / k), start = new Uint32Array(rows + 1);
  const len = (y) => y < fine.rows ? fine.start[y + 1] - fine.start[y] : 0;
  for (let y = 0; y < rows; y++) {
    let n = 0;
    for (let j = y * k; j < y * k + k; j++) n = Math.max(n, len(j));
    start[y + 1] = start[y] + Math.ceil(n / k);
  }
  const cells = new Uint8Array(start[rows]);
  for (let y = 0; y < fine.rows; y++) {
    const to = start[Math.floor(y / k)], from = fine.start[y], n = len(y);
    for (let x = 0; x < n; x++) {
      const v = fine.cells[from + x] + fine.add, j = to + Math.floor(x / k);
      if (v > cells[j]) cells[j] = v;
    }
  }
  return { rows, start, cells, add: 0 };
}
