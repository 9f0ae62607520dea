// The other forms of a map, in the order the page offers them. A form is a
// module of its own (see png.js): its name, title, label, extension and
// MIME type; `sniff(bytes)`, whether a file's first bytes are its; and
// `write(map)` and `read(bytes, limits)`; and `options`, the choices the
// page offers for it, which `write` finds in `map.options`. A new form is a
// file and a line.
import png from "./png.js";
import json from "./json.js";
import csv from "./csv.js";
import c from "./c.js";
import xbm from "./xbm.js";
import { plainPBM, rawPBM } from "./pbm.js";
import tmx from "./tmx.js";

export const FORMS = [png, json, csv, c, xbm, plainPBM, rawPBM, tmx];
export { Refusal } from "./text.js";

// The form a file is in, by its name's extension or its first bytes; null
// for none. Pictures are told apart before, by their bytes alone.
export function formOf(name, bytes) {
  const lower = name.toLowerCase();
  return FORMS.find((f) => !f.picture && (lower.endsWith(f.ext) || f.sniff(bytes))) ?? null;
}
