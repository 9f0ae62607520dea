// PNG, a pixel a cell: marked black, blank white, transparent past a short
// row's end (pngwrite.js); opened as a picture, by the rule of png.js.
import { isPNG, pngCells } from "../png.js";
import { pngOf } from "../pngwrite.js";

export default {
  name: "png", title: "PNG", label: "PNG, a pixel a cell", ext: ".png", type: "image/png",
  cells: true, picture: true, from: "a picture",
  sniff: isPNG,
  write: (map) => pngOf(map),
  // The picture's cells, { w, h, cells }.
  read: (bytes) => pngCells(bytes),
};
