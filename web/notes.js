// The tools' note: what the last command did or why it did nothing
// ("Copied 6 × 6 cells as map text."). A step of the history makes it
// stale, so it goes then; a command that makes a step says its note after.
import { $ } from "./page.js";
import { on } from "./document.js";

export const say = (text) => { $("tool-note").textContent = text; };

export function startNotes() {
  on("step", () => say(""));
}
