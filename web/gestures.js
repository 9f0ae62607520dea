// Input on the picture. A mouse drag or one finger uses the tool in hand
// while drawing and pans otherwise; the middle button pans always; two
// fingers pinch to zoom and pan, and a stroke or a shape the first finger
// began turns into the pinch without a trace. The wheel zooms. With the
// picture focused, the arrow keys move the cursor (or the selection), +
// and − zoom, 0 fits, and while drawing the tools' keys act. Elsewhere the
// page scrolls as usual.
import { $ } from "./page.js";
import { gridAt, moveCursor, pan, picture, refit, tell, zoom } from "./picture.js";
import { layout } from "./cells.js";
import { KEYS, begin, cancel, drawing, end, extend, painting, setTool, swapInk, toggle } from "./draw.js";
import { blank, nudge, select, selection, turnAny } from "./tools/select.js";

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
  if (e.pointerType === "mouse" && e.button > 1 && !(e.button === 2 && drawing.on)) return;
  // Not for an event a script made up, whose pointer the browser knows not.
  try { canvas.setPointerCapture(e.pointerId); } catch { /* painting goes on without */ }
  // A press whose release never came ends what it began, where it was.
  if (points.delete(e.pointerId) && painting()) end(null, {}, t0);
  points.set(e.pointerId, at(e));
  if (points.size === 2) {
    cancel(t0);
    panning = false;
    pinch = twoFingers();
  } else if (points.size === 1) {
    if (drawing.on && e.button !== 1) begin(gridAt(at(e).x, at(e).y), e, t0);
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
    extend(gridAt(p.x, p.y), e, t0);
  } else if (panning) {
    pan(p.x - last.x, p.y - last.y);
  }
}

function up(e) {
  const t0 = performance.now();
  if (!points.delete(e.pointerId)) return;
  if (painting()) end(gridAt(at(e).x, at(e).y), e, t0);
  if (points.size < 2) pinch = null;
  // The finger left of a pinch pans; it does not start to paint.
  panning = points.size === 1;
}

// The picture's keys. Those that change the map act while drawing.
function key(e) {
  const canvas = $("canvas"), w = canvas.clientWidth, h = canvas.clientHeight, t0 = performance.now();
  const step = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] }[e.key];
  const k = e.key.toLowerCase(), turns = { h: "across", v: "down", r: "rotate" };
  if (e.altKey) return;
  if (e.ctrlKey || e.metaKey) {
    if (k !== "a" || !drawing.on) return;
    setTool("select");
    select({ x: 0, y: 0, w: layout.cols, h: layout.rows });
  } else if (step && drawing.on && selection.box) nudge(...step, t0);
  else if (step) moveCursor(...step);
  else if (e.key === "+" || e.key === "=") zoom(1.5, w / 2, h / 2);
  else if (e.key === "-") zoom(1 / 1.5, w / 2, h / 2);
  else if (e.key === "0") refit();
  else if (!drawing.on) return;
  else if (e.key === " " && !picture.cursor) moveCursor(0, 0);
  else if (e.key === " ") toggle(picture.cursor, t0);
  else if (e.key === "Escape" && painting()) cancel(t0);
  else if (e.key === "Escape") select(null);
  else if ((e.key === "Delete" || e.key === "Backspace") && selection.box) blank(t0);
  else if (e.shiftKey && turns[k]) turnAny(turns[k], t0);
  else if (!e.shiftKey && KEYS[k]) setTool(KEYS[k]);
  else if (!e.shiftKey && k === "x") swapInk();
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
  // The right button paints while drawing.
  canvas.addEventListener("contextmenu", (e) => drawing.on && e.preventDefault());
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
