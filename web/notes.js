// What to know or choose now, over the picture where the eyes are: the
// refusal of a map, the offers (a map or a paste in other characters, an
// image's one cell a block) and the tools' note, what the last command did
// or why it did nothing ("Copied 6 × 6 cells as map text."). They lie over
// the picture, so that their coming moves nothing on the page. A step of
// the history makes the note stale, so it goes then; a command that makes
// a step says its note after. Esc dismisses the offers that stand; an offer
// taken or dismissed gives the focus back to the picture, where Enter and
// Esc act on what it brought.
import { $ } from "./page.js";
import { on } from "./document.js";

export const say = (text) => { $("tool-note").textContent = text; };

// The offers, by their element's id, each with what dismisses it.
const offers = new Map();
export const offering = (id, dismiss) => offers.set(id, dismiss);
const standing = () => [...offers].filter(([id]) => $(id)?.getClientRects().length > 0);

export const backToPicture = () => $("canvas").focus({ preventScroll: true });

export function startNotes() {
  on("step", () => say(""));
  // Before the commands hear it: the Esc that dismisses an offer drops
  // no selection.
  document.addEventListener("keydown", (e) => {
    if (e.key !== "Escape" || document.querySelector("dialog[open]") || !standing().length) return;
    e.preventDefault();
    e.stopImmediatePropagation();
    const inside = $("notes").contains(document.activeElement);
    for (const [, dismiss] of standing()) dismiss();
    if (inside) backToPicture();
  }, true);
}
