// Ellipse: drag a box, the ellipse inscribed in it is shown and written
// at the release, as Line and Rectangle are (see shape.js). Ctrl (⌘ on a
// Mac) held makes the box a square, so a circle.
import { ellipse } from "../ellipse.js";
import { shapeTool } from "./shape.js";

export const ellipseTool = shapeTool({ name: "ellipse", label: "Ellipse", keys: ["E"], drag: true, squares: true,
  icon: "M12 5c4.4 0 8 3.1 8 7s-3.6 7-8 7-8-3.1-8-7 3.6-7 8-7z",
  note: "Shift at release fills it, {Mod} makes a circle",
  help: "Drag a box, the ellipse in it is drawn, the right button for the other state; Shift at the release, or " +
    "filled, fills it, {Mod} makes it a circle; {escape} drops it. By keys: {use} at each corner.",
  touchHelp: "Drag a finger across the box of the ellipse; filled fills it; a second finger drops it." }, ellipse);
