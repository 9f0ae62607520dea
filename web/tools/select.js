// Select: drag a box over the map; drag inside it to move its cells. What
// is done to a selection is in selection.js.
import { dragTo, dropDrag, endDrag, startDrag } from "../selection.js";

export const selectTool = {
  name: "select",
  label: "Select",
  icon: "M4 4h3M10 4h4M17 4h3v3M20 10v4M20 17v3h-3M14 20h-4M7 20H4v-3M4 14v-4M4 7V4",
  keys: ["S"],
  note: "{select-all} selects the whole map",
  help: "Drag a box, or {extend*}; drag inside it to move it, or {arrows*}; {select-all} " +
    "selects the whole map, {escape} nothing.",
  touchHelp: "Drag a finger over a box; drag inside it to move it.",
  drag: true,
  holdsSelection: true,
  down: startDrag,
  move: dragTo,
  up: endDrag,
  cancel: dropDrag,
};
