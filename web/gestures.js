// Input on the picture. A mouse drag or one finger paints while drawing
// and pans otherwise; the middle button pans always; two fingers pinch to
// zoom and pan, and a stroke the first finger began turns into the pinch
// without a trace. The wheel zooms. With the picture focused, the arrow
// keys move the cursor, Space turns its cell while drawing, + and − zoom
// and 0 fits. Elsewhere the page scrolls as usual.
import { $ } from "./page.js";
import { gridAt, moveCursor, pan, picture, refit, tell, zoom } from "./picture.js";
import { begin, cancel, drawing, end, extend, painting, toggle } from "./draw.js";

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
  const t0 = performance.now(), canvas = $("canvas");
  if (e.pointerType === "mouse" && e.button !== 0 && e.button !== 1) return;
  // Not for an event a script made up, whose pointer the browser knows not.
  try { canvas.setPointerCapture(e.pointerId); } catch { /* painting goes on without */ }
  points.set(e.pointerId, at(e));
  if (points.size === 2) {
    cancel(t0);
    panning = false;
    pinch = twoFingers();
  } else if (points.size === 1) {
    if (drawing.on && e.button === 0) begin(gridAt(at(e).x, at(e).y), t0);
    else panning = true;
    if (e.button === 1) e.preventDefault();  // no autoscroll
  }
}

function move(e) {
  const t0 = performance.now(), p = at(e), last = points.get(e.pointerId);
  tell(gridAt(p.x, p.y), drawing.on);
  if (!last) return;
  points.set(e.pointerId, p);
  if (pinch && points.size === 2) {
    // What was under the fingers' midpoint follows it, and scales about it.
    const now = twoFingers();
    pan(now.x - pinch.x, now.y - pinch.y);
    if (pinch.d > 0) zoom(now.d / pinch.d, now.x, now.y);
    pinch = now;
  } else if (painting()) {
    extend(gridAt(p.x, p.y), t0);
  } else if (panning) {
    pan(p.x - last.x, p.y - last.y);
  }
}

function up(e) {
  const t0 = performance.now();
  if (!points.delete(e.pointerId)) return;
  if (painting()) end(t0);
  if (points.size < 2) pinch = null;
  // The finger left of a pinch pans; it does not start to paint.
  panning = points.size === 1;
}

function key(e) {
  const canvas = $("canvas"), w = canvas.clientWidth, h = canvas.clientHeight;
  const step = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] }[e.key];
  if (e.ctrlKey || e.metaKey || e.altKey) return;
  if (step) moveCursor(...step);
  else if (e.key === "+" || e.key === "=") zoom(1.5, w / 2, h / 2);
  else if (e.key === "-") zoom(1 / 1.5, w / 2, h / 2);
  else if (e.key === "0") refit();
  else if (e.key === " " && drawing.on && !picture.cursor) moveCursor(0, 0);
  else if (e.key === " " && drawing.on) toggle(picture.cursor, performance.now());
  else return;
  e.preventDefault();
}

export function startGestures() {
  const canvas = $("canvas");
  canvas.addEventListener("pointerdown", down);
  canvas.addEventListener("pointermove", move);
  canvas.addEventListener("pointerup", up);
  canvas.addEventListener("pointercancel", up);
  canvas.addEventListener("pointerleave", () => tell(picture.cursor));
  canvas.addEventListener("wheel", (e) => {
    e.preventDefault();
    const p = at(e);
    zoom(Math.exp(-e.deltaY / 500), p.x, p.y);
  }, { passive: false });
  canvas.addEventListener("keydown", key);
  const zoomBy = (f) => zoom(f, canvas.clientWidth / 2, canvas.clientHeight / 2);
  $("zoom-in").addEventListener("click", () => zoomBy(1.5));
  $("zoom-out").addEventListener("click", () => zoomBy(1 / 1.5));
  $("fit").addEventListener("click", refit);
}
