// XBM, X11's bitmap as C text: NAME_width and NAME_height, then
// static unsigned char NAME_bits[], a row a line of ceil(W / 8) bytes,
// the leftmost cell in the least significant bit, 1 marked (black).
import { encoder } from "../bytes.js";
import { headOf } from "./text.js";
import { identifier } from "./names.js";
import { packed } from "./bits.js";
import { HEX, readBits } from "./c.js";

function write(map) {
  const id = identifier(map.name), lines = [`#define ${id}_width ${map.w}`, `#define ${id}_height ${map.h}`,
    `static unsigned char ${id}_bits[] = {`];
  for (const line of packed(map, "lsb")) lines.push(`   ${Array.from(line, (b) => HEX[b]).join(", ")},`);
  lines.push("};", "");
  return encoder.encode(lines.join(map.eol));
}

export default {
  name: "xbm", title: "XBM", label: "XBM, X11's bitmap", ext: ".xbm", type: "image/x-xbitmap", text: true, cells: true,
  from: "an XBM bitmap",
  sniff: (bytes) => /^\s*#define [A-Za-z_]\w*_width [0-9]/.test(headOf(bytes)),
  write,
  read: (bytes, limits) => readBits(bytes, limits, "lsb"),
};
