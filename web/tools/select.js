// Select: drag a box over the map; drag inside it to move its cells. What
// is done to a selection is in selection.js.
import { dragTo, dropDrag, endDrag, startDrag } from "../selection.js";

export const selectTool = {
  name: "select",
  label: "Select",
  keys: ["S"],
  note: "Ctrl+A selects the whole map",
  help: "Drag a box; drag inside it to move it, or the arrow keys; Ctrl+A selects the whole map, Esc nothing.",
  keepsSelection: true,
  down: startDrag,
  move: dragTo,
  up: endDrag,
  cancel: dropDrag,
};
