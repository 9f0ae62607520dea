// One history for every change to the map: painting, typing, the tools,
// new maps, opened files and pictures. A step is the edits it made, in
// order, and the map's name and origin before and after it; undo puts the
// edits back in reverse and redo makes them again. Nothing else is kept
// per step.
import { about, apply, inverse, join, map, weight } from "./map.js";

export const LIMIT = 100;  // steps kept to undo, at least
const TYPING = 1000;       // ms between keystrokes that still make one step
const done = [], undone = [];
let clean = null;          // the step last saved or opened: nothing to lose there

// Records a step whose edits are made already. A keystroke that follows
// another soon, where the last one was made, joins its step. whole: the
// step puts another map in place of the last.
export function record(edits, before, { typing = false, whole = false } = {}) {
  const now = performance.now(), last = done.at(-1), fresh = undone.length === 0;
  undone.length = 0;
  if (typing && fresh && last?.typing && now - last.typing < TYPING && edits.length === 1) {
    const both = join(last.edits[0], edits[0]);
    if (both) {
      last.edits[0] = both;
      last.typing = now;
      if (clean === last) clean = null;
      return;
    }
  }
  done.push({ edits, before, after: about(), typing: typing && now, whole });
  if (done.length > LIMIT) done.shift();
}

function replay(from, to, forward) {
  const step = from.pop();
  if (!step) return null;
  if (forward) step.edits.forEach(apply);
  else for (let i = step.edits.length - 1; i >= 0; i--) apply(inverse(step.edits[i]));
  Object.assign(map, forward ? step.after : step.before);
  to.push(step);
  return step;
}

export const undo = () => replay(done, undone, false);
export const redo = () => replay(undone, done, true);
export const canUndo = () => done.length > 0;
export const canRedo = () => undone.length > 0;

// Saving or opening a map marks it as having nothing unsaved.
export const saved = () => { clean = done.at(-1) ?? null; };
export const unsaved = () => (done.at(-1) ?? null) !== clean;

// The bytes the history holds, for the page's test.
export const held = () => [...done, ...undone].reduce((sum, step) =>
  sum + step.edits.reduce((n, e) => n + weight(e), 0), 0);
