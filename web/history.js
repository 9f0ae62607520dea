// One history for every change to the map: painting, typing, the tools,
// new maps, opened files and pictures. A step is the edits it made, in
// order, and what the map was called and where it came from before and
// after it; undo hands it back to be put back in reverse and redo to be
// made again. Nothing else is kept per step.
import { merge, weight } from "./edits.js";

const LIMIT = 100;   // steps kept to undo, at least
const TYPING = 1000; // ms between keystrokes that still make one step
const done = [], undone = [];
let clean = null;    // the step last saved or opened: nothing to lose there

// Records a step whose edits are made already, `now` the bytes after it.
// A keystroke that follows another soon, where the last one was made,
// joins its step. whole: the step puts another map in place of the last.
export function record(edits, before, after, now, { typing = false, whole = false, extra = null } = {}) {
  const time = performance.now(), last = done.at(-1), fresh = undone.length === 0;
  undone.length = 0;
  if (typing && fresh && last?.typing && time - last.typing < TYPING && edits.length === 1) {
    const both = merge(last.edits[0], edits[0], now);
    if (both) {
      last.edits[0] = both;
      last.typing = time;
      if (clean === last) clean = null;
      return;
    }
  }
  done.push({ edits, before, after, typing: typing && time, whole, extra });
  if (done.length > LIMIT) done.shift();
}

// The step to put back, or to make again, or null.
function move(from, to) {
  const step = from.pop() ?? null;
  if (step) to.push(step);
  return step;
}
export const undo = () => move(done, undone);
export const redo = () => move(undone, done);
export const canUndo = () => done.length > 0;
export const canRedo = () => undone.length > 0;

// A history that starts anew.
export function forget() {
  done.length = undone.length = 0;
  clean = null;
}

// Saving or opening a map marks it as having nothing unsaved.
export const saved = () => { clean = done.at(-1) ?? null; };
export const unsaved = () => (done.at(-1) ?? null) !== clean;

// The bytes the history holds, for the page's test.
export const held = () => [...done, ...undone].reduce((sum, step) =>
  sum + step.edits.reduce((n, e) => n + weight(e), 0), 0);
