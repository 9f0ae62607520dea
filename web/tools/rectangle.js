// Rectangle: drag from corner to corner; the outline of the box whose
// corners are the first and last cells, or the whole box filled (see
// shape.js).
import { shapeTool } from "./shape.js";
import { boxOf } from "../block.js";

// The cells of a box's outline, or of the whole box, in reading order.
function box(a, b, filled, each) {
  const { x, y, w, h } = boxOf(a, b);
  for (let j = 0; j < h; j++) {
    for (let i = 0; i < w; i++) if (filled || j === 0 || j === h - 1 || i === 0 || i === w - 1) each(x + i, y + j);
  }
}

export const rectangle = shapeTool({ name: "rectangle", label: "Rectangle", keys: ["R"], drag: true, icon: "M4 6h16v12H4z",
  note: "Shift at release fills it",
  help: "Drag from corner to corner, the right button for the other state; Shift at the release, or filled, " +
    "fills it; {escape} drops it. By keys: {use} at each corner.",
  touchHelp: "Drag a finger from corner to corner; filled fills it; a second finger drops it." }, box);
