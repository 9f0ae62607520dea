// XBM, X11's bitmap as C text: NAME_width and NAME_height, then
// static unsigned char NAME_bits[], a row a line of ceil(W / 8) bytes,
// the leftmost cell in the least significant bit, 1 marked (black).
import { headOf } from "./text.js";
import { identifier } from "./names.js";
import { packed } from "./bits.js";
import { hexLines, readBits } from "./c.js";

function write(map) {
  const id = identifier(map.name), { eol } = map;
  return hexLines([`#define ${id}_width ${map.w}`, `#define ${id}_height ${map.h}`, `static unsigned char ${id}_bits[] = {`, ""]
    .join(eol), packed(map, "lsb"), 3, eol, `};${eol}`);
}

export default {
  name: "xbm", title: "XBM", label: "XBM, X11's bitmap", ext: ".xbm", type: "image/x-xbitmap", text: true, cells: true,
  from: "an XBM bitmap",
  sniff: (bytes) => /^\s*#define [A-Za-z_]\w*_width [0-9]/.test(headOf(bytes)),
  write,
  read: (bytes, limits) => readBits(bytes, limits, "lsb"),
};
