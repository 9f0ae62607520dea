// Mirrored drawing: while it is on, the pen, the pen's sizes, the shapes
// and Fill write every cell also at its mirror image, in the same step. The
// axes run through the middle of the listing's width and height: an odd
// width's through its middle column, which mirrors onto itself, an even
// one's between its two middle columns. An image at a negative position
// is not written; one past a row's end grows it, as painting there does.
// The selection's commands are not mirrored: they do not ask.
import { Targets, layout } from "./document.js";
import { overlaySoon } from "./picture.js";
import { images } from "./images.js";
import { option, setOption } from "./options.js";

// The modes in the order the mirror's command steps them (the option is
// an index), each with its name and its sign.
const MODES = [
  { name: "off", sign: "off" },
  { name: "left–right", sign: "↔", across: true },
  { name: "top–bottom", sign: "↕", down: true },
  { name: "both ways", sign: "✣", across: true, down: true },
];
export const mirrorMode = () => MODES[option("mirror")];

// The axes as the map is now, for a use of a tool to keep to its end
// (a stroke that grows the map does not move them): null while off.
export function mirrorAxis() {
  const m = mirrorMode();
  if (!m.across && !m.down) return null;
  const { refused, wid, hgt } = layout();
  return refused ? null : { across: !!m.across, down: !!m.down, w: wid, h: hgt };
}

// The targets with their mirror images after each, in the same state.
export function mirrored(targets, axis = mirrorAxis()) {
  if (!axis) return targets;
  const out = new Targets(targets.n * 4), { v } = targets;
  for (let i = 0; i < 3 * targets.n; i += 3) images(v[i], v[i + 1], axis, (x, y) => out.push(x, y, v[i + 2]));
  return out;
}

export function cycleMirror() {
  setOption("mirror", (option("mirror") + 1) % MODES.length);
  overlaySoon();
}

// The axes over the picture, dashed, across the map's box: a layer that
// the drawing mode adds (see tools/drawing.js).
export function axes(ctx, at, s, colours, ratio) {
  const axis = mirrorAxis();
  if (!axis) return;
  const { widest, rows } = layout();
  ctx.save();
  ctx.strokeStyle = colours.accent;
  ctx.lineWidth = 2 * ratio;
  ctx.setLineDash([6 * ratio, 4 * ratio]);
  ctx.beginPath();
  if (axis.across) {
    ctx.moveTo(...at(axis.w / 2, 0));
    ctx.lineTo(...at(axis.w / 2, rows));
  }
  if (axis.down) {
    ctx.moveTo(...at(0, axis.h / 2));
    ctx.lineTo(...at(widest, axis.h / 2));
  }
  ctx.stroke();
  ctx.restore();
}
