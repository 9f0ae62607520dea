// A shape: press on a cell, drag, release. While dragging the
// shape is shown over the picture and the map is not changed; the release
// writes its cells, one step; Esc or a second finger drops it. What it
// writes is its own (line.js, rectangle.js, ellipse.js); it is filled where
// the filled option is on or Shift is held at the release. With the mirror
// on, its images are written with it (see mirror.js).
import { mac } from "../page.js";
import { option } from "../options.js";
import { O } from "../edits.js";
import { Targets, begin } from "../document.js";
import { overlaySoon } from "../picture.js";
import { boxOf } from "../block.js";
import { mirrorAxis, mirrored } from "../mirror.js";
import { images } from "../images.js";

// The cells a shape would write, its mirror images too, rendered in the
// state it paints, with its box outlined.
function preview(shape, ctx, at, s, colours, ratio) {
  ctx.fillStyle = shape.state === O ? colours.markedCss : colours.blankCss;
  const inset = s >= 4 ? 1 : 0, size = Math.max(s - inset, 1), axis = mirrorAxis();
  shape.cells((x, y) => images(x, y, axis, (u, v) => {
    const [px, py] = at(u, v);
    ctx.fillRect(px, py, size, size);
  }));
  const b = boxOf(shape.from, shape.to), [ax, ay] = at(b.x, b.y), [bx, by] = at(b.x + b.w, b.y + b.h);
  ctx.strokeStyle = colours.accent;
  ctx.lineWidth = ratio;
  ctx.strokeRect(ax - ratio / 2, ay - ratio / 2, bx - ax + ratio, by - ay + ratio);
}

// The corner a shape reaches: with what.squares and Ctrl (⌘ on a Mac)
// held, the nearest that makes the box a square, away from the first.
function reach(what, from, cell, e) {
  if (!what.squares || !(mac ? e.metaKey : e.ctrlKey)) return cell;
  const d = Math.max(Math.abs(cell.x - from.x), Math.abs(cell.y - from.y));
  return { x: from.x + (cell.x < from.x ? -d : d), y: from.y + (cell.y < from.y ? -d : d) };
}

export function shapeTool(what, cellsOf) {
  let shape = null;
  const stop = () => {
    shape = null;
    overlaySoon();
  };
  return {
    ...what,
    down(cell, e, state) {
      shape = { from: cell, to: cell, state, filled: e.shiftKey };
      shape.cells = (each) => cellsOf(shape.from, shape.to, shape.filled || option("filled"), each);
      overlaySoon();
    },
    move(cell, e) {
      Object.assign(shape, { to: reach(what, shape.from, cell, e), filled: !!e.shiftKey });
      overlaySoon();
    },
    up(cell, e) {
      Object.assign(shape, { to: cell ? reach(what, shape.from, cell, e) : shape.to, filled: !!e.shiftKey });
      const targets = new Targets();
      shape.cells((x, y) => targets.push(x, y, shape.state));
      stop();
      const edit = begin();
      edit.write(mirrored(targets));
      edit.commit();
    },
    cancel: stop,
    preview: (...args) => shape && preview(shape, ...args),
  };
}
