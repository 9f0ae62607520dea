// What the node tests share: maps as rows of O and full stops, and PNG
// files of given chunks.
import { crc } from "../../web/png.js";

export const bytes = (s) => new TextEncoder().encode(s), dec = new TextDecoder();

// A map's rows as the conversion lays them out, with its listing's lines
// after the header; more replaces or adds fields.
export function mapOf(rows, more = {}) {
  const rowStart = [0], cells = [], body = [];
  rows.forEach((r, y) => {
    [...r].forEach((ch, x) => { cells.push(ch === "O" ? 1 : 0); if (ch === "O") body.push(`[${x},${y}]\n`); });
    rowStart.push(cells.length);
  });
  return { name: "m", eol: "\n", wid: rows.at(-1)?.length ?? 0, hgt: rows.length, body: bytes(body.join("")), points: body.length,
    w: Math.max(0, ...rows.map((r) => r.length)), h: rows.length, rowStart: Uint32Array.from(rowStart), cells: Uint8Array.from(cells), ...more };
}

// A block's cells as rows, each cell's value a character of key.
export const rowsOf = ({ w, h, cells }, key = ".O") =>
  Array.from({ length: h }, (_, y) => Array.from(cells.slice(y * w, y * w + w), (v) => key[v]).join(""));

// A PNG of these chunks, each [type, body], after the signature.
export const SIGNATURE = [137, 80, 78, 71, 13, 10, 26, 10];
export function pngFile(...chunks) {
  const parts = [Uint8Array.from(SIGNATURE)];
  for (const [type, body] of chunks) {
    const c = new Uint8Array(12 + body.length), v = new DataView(c.buffer);
    v.setUint32(0, body.length);
    c.set([...type].map((ch) => ch.charCodeAt(0)), 4);
    c.set(body, 8);
    v.setUint32(8 + body.length, crc(c, 4, 8 + body.length));
    parts.push(c);
  }
  return Buffer.concat(parts);
}
export const END = ["IEND", new Uint8Array(0)];
export function ihdr(w, h, depth, type, interlace = 0) {
  const b = Buffer.alloc(13);
  b.writeUInt32BE(w), b.writeUInt32BE(h, 4), b.set([depth, type, 0, 0, interlace], 8);
  return ["IHDR", b];
}
