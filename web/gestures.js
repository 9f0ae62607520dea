// The pointer on the picture. A mouse drag or one finger that starts on a
// cell of the map uses the tool in hand while drawing, and pans otherwise; the middle button pans always;
// two fingers pinch to zoom and pan, and a stroke or a shape the first
// finger began turns into the pinch without a trace. The wheel zooms.
// Elsewhere the page scrolls as usual. The picture's keys are commands.
import { $ } from "./page.js";
import { gridAt, onPicture, pan, picture, tell, zoom } from "./picture.js";
import { begin, cancel, drawing, end, extend, pressing } from "./tools/drawing.js";

const points = new Map();  // the pointers down: id to { x, y } in the canvas
let panning = false;
let pinch = null;          // the two fingers' distance and midpoint last seen

const at = (e) => {
  const r = $("canvas").getBoundingClientRect();
  return { x: e.clientX - r.left - $("canvas").clientLeft, y: e.clientY - r.top - $("canvas").clientTop };
};

function twoFingers() {
  const [a, b] = [...points.values()];
  return { d: Math.hypot(a.x - b.x, a.y - b.y), x: (a.x + b.x) / 2, y: (a.y + b.y) / 2 };
}

function down(e) {
  const canvas = $("canvas");
  if (e.pointerType === "mouse" && e.button > 1 && !(e.button === 2 && drawing.on)) return;
  // Not for an event a script made up, whose pointer the browser knows not.
  try { canvas.setPointerCapture(e.pointerId); } catch { /* painting goes on without */ }
  // A press whose release never came ends what it began, where it was.
  if (points.delete(e.pointerId) && pressing()) end(null, {});
  points.set(e.pointerId, at(e));
  tell(gridAt(at(e).x, at(e).y), drawing.on);
  if (points.size === 2) {
    cancel();
    panning = false;
    pinch = twoFingers();
  } else if (points.size === 1) {
    // Only a press on the map's own cells paints: one beside them, a
    // finger's slip into the margin, pans, and changes nothing.
    const c = gridAt(at(e).x, at(e).y);
    if (drawing.on && e.button !== 1 && onPicture(c)) begin(c, e);
    else panning = true;
    if (e.button === 1) e.preventDefault();  // no autoscroll
  }
}

function move(e) {
  const p = at(e), last = points.get(e.pointerId);
  tell(gridAt(p.x, p.y), drawing.on);
  if (!last) return;
  points.set(e.pointerId, p);
  if (pinch && points.size === 2) {
    // What was under the fingers' midpoint follows it, and scales about it.
    const now = twoFingers();
    pan(now.x - pinch.x, now.y - pinch.y);
    if (pinch.d > 0) zoom(now.d / pinch.d, now.x, now.y);
    pinch = now;
  } else if (pressing()) {
    extend(gridAt(p.x, p.y), e);
  } else if (panning) {
    pan(p.x - last.x, p.y - last.y);
  }
}

function up(e) {
  if (!points.delete(e.pointerId)) return;
  if (pressing()) end(gridAt(at(e).x, at(e).y), e);
  if (points.size < 2) pinch = null;
  // The finger left of a pinch pans; it does not start to paint.
  panning = points.size === 1;
}

export function startGestures() {
  const canvas = $("canvas");
  canvas.addEventListener("pointerdown", down);
  canvas.addEventListener("pointermove", move);
  canvas.addEventListener("pointerup", up);
  canvas.addEventListener("pointercancel", up);
  canvas.addEventListener("pointerleave", () => tell(picture.cursor));
  // The right button paints while drawing.
  canvas.addEventListener("contextmenu", (e) => drawing.on && e.preventDefault());
  canvas.addEventListener("wheel", (e) => {
    e.preventDefault();
    const p = at(e);
    zoom(Math.exp(-e.deltaY / 500), p.x, p.y);
  }, { passive: false });
}
