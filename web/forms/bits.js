// A map's cells as bytes, a bit a cell, 1 marked, in the orders displays
// and their libraries take: rows, the leftmost cell in the most ("msb")
// or the least ("lsb") significant bit; or "vertical", pages of 8 rows,
// each a byte a column, left to right, its top row in the least
// significant bit. Cells past a row's end, and rows past the last, 0.
export const ORDERS = ["msb", "lsb", "vertical"];

// The bytes a line: a row, or a page of 8 rows; w the widest row's cells.
export function packed({ w, h, rowStart, cells }, order) {
  const out = [];
  if (order === "vertical") {
    for (let p = 0; 8 * p < h; p++) {
      const line = new Uint8Array(w);
      for (let r = 0, y = 8 * p; r < 8 && y < h; r++, y++) {
        const start = rowStart[y], len = rowStart[y + 1] - start;
        for (let x = 0; x < len; x++) if (cells[start + x]) line[x] |= 1 << r;
      }
      out.push(line);
    }
    return out;
  }
  // A whole byte's 8 cells at once, then the cells left.
  const n = Math.ceil(w / 8), lsb = order === "lsb";
  for (let y = 0; y < h; y++) {
    const line = new Uint8Array(n), start = rowStart[y], len = rowStart[y + 1] - start, whole = len & ~7;
    let x = 0;
    for (let c = start; x < whole; x += 8, c += 8) {
      line[x >> 3] = lsb
        ? cells[c] | cells[c + 1] << 1 | cells[c + 2] << 2 | cells[c + 3] << 3 |
          cells[c + 4] << 4 | cells[c + 5] << 5 | cells[c + 6] << 6 | cells[c + 7] << 7
        : cells[c] << 7 | cells[c + 1] << 6 | cells[c + 2] << 5 | cells[c + 3] << 4 |
          cells[c + 4] << 3 | cells[c + 5] << 2 | cells[c + 6] << 1 | cells[c + 7];
    }
    for (; x < len; x++) if (cells[start + x]) line[x >> 3] |= lsb ? 1 << (x & 7) : 0x80 >> (x & 7);
    out.push(line);
  }
  return out;
}

// How many bytes w by h cells take.
export const byteCount = (w, h, order) => order === "vertical" ? w * Math.ceil(h / 8) : h * Math.ceil(w / 8);

// The cells of bytes in that order, { cells, stray }: stray the index of
// the first byte with a bit set past the map's cells, or -1.
export function unpacked(bytes, w, h, order) {
  const cells = new Uint8Array(w * h);
  let stray = -1;
  if (order === "vertical") {
    for (let p = 0; 8 * p < h; p++) {
      const rows = Math.min(8, h - 8 * p);
      for (let x = 0; x < w; x++) {
        const b = bytes[p * w + x];
        if (b >> rows && stray < 0) stray = p * w + x;
        for (let r = 0; r < rows; r++) cells[(8 * p + r) * w + x] = b >> r & 1;
      }
    }
    return { cells, stray };
  }
  const n = Math.ceil(w / 8), lsb = order === "lsb", pad = w % 8 ? (lsb ? 0xff << (w % 8) : 0xff >> (w % 8)) & 0xff : 0;
  for (let y = 0; y < h; y++) {
    if (bytes[y * n + n - 1] & pad && stray < 0) stray = y * n + n - 1;
    for (let x = 0; x < w; x++) cells[y * w + x] = bytes[y * n + (x >> 3)] >> (lsb ? x & 7 : 7 - (x & 7)) & 1;
  }
  return { cells, stray };
}
