// Line: drag from the first cell to the last; the line is the pen's,
// Bresenham's, both ends included (see shape.js).
import { shapeTool } from "./shape.js";
import { line } from "./pen.js";

export const lineTool = shapeTool({ name: "line", label: "Line", keys: ["L"], drag: true, icon: "M5 19L19 5",
  help: "Drag from the first cell to the last, the right button for the other state; {escape} drops the line. " +
    "By keys: {use} at each end.",
  touchHelp: "Drag a finger from the first cell to the last; a second finger drops the line." },
(a, b, filled, each) => line(a, b, each));
