// Line and Rectangle: press on a cell, drag, release. While dragging the
// shape is shown over the picture and the map is not changed; the release
// writes its cells, one step; Esc or a second finger drops it. A line is
// the pen's, Bresenham's, both ends included; a rectangle is the outline
// of the box whose corners are the first and last cells, or the whole box
// where "filled" is on or Shift is held at the release.
import { $ } from "../page.js";
import { O } from "../map.js";
import { Targets, write } from "../cells.js";
import { commit } from "../edit.js";
import { marksSoon, picture } from "../picture.js";
import { line } from "./pen.js";

// The cells of a box's outline, or of the whole box, in reading order.
function box(a, b, filled, each) {
  const [x0, x1] = [Math.min(a.x, b.x), Math.max(a.x, b.x)], [y0, y1] = [Math.min(a.y, b.y), Math.max(a.y, b.y)];
  for (let y = y0; y <= y1; y++) {
    for (let x = x0; x <= x1; x++) if (filled || y === y0 || y === y1 || x === x0 || x === x1) each(x, y);
  }
}

// The cells a shape would write, drawn in the state it paints, ringed.
function showing(shape) {
  return (ctx, at, s, colours) => {
    ctx.fillStyle = shape.state === O ? colours.markedCss : colours.blankCss;
    const inset = s >= 4 ? 1 : 0, size = Math.max(s - inset, 1);
    shape.cells((x, y) => {
      const [px, py] = at(x, y);
      ctx.fillRect(px, py, size, size);
    });
    const [ax, ay] = at(Math.min(shape.from.x, shape.to.x), Math.min(shape.from.y, shape.to.y));
    const [bx, by] = at(Math.max(shape.from.x, shape.to.x) + 1, Math.max(shape.from.y, shape.to.y) + 1);
    ctx.strokeStyle = colours.accent;
    ctx.lineWidth = 1;
    ctx.strokeRect(ax - 0.5, ay - 0.5, bx - ax + 1, by - ay + 1);
  };
}

function shapeTool(cellsOf) {
  let shape = null;
  const stop = () => {
    picture.marks = picture.marks.filter((m) => m !== shape.mark);
    shape = null;
    marksSoon();
  };
  return {
    down(cell, e, state) {
      shape = { from: cell, to: cell, state, filled: e.shiftKey };
      shape.cells = (each) => cellsOf(shape.from, shape.to, shape.filled || $("filled").checked, each);
      shape.mark = showing(shape);
      picture.marks.push(shape.mark);
      marksSoon();
    },
    move(cell, e) {
      Object.assign(shape, { to: cell, filled: !!e.shiftKey });
      marksSoon();
    },
    up(cell, e, t0) {
      Object.assign(shape, { to: cell ?? shape.to, filled: !!e.shiftKey });
      const targets = new Targets();
      shape.cells((x, y) => targets.push(x, y, shape.state));
      stop();
      commit(write(targets), t0);
    },
    cancel: stop,
  };
}

export const lineTool = shapeTool((a, b, filled, each) => line(a, b, each));
export const rectangle = shapeTool(box);
