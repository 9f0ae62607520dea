// Every change to the map goes through here: its edits are made and
// recorded as one step of the history, and what derives from the whole map
// (the conversion, the listing, the text box, the readouts and, for a
// refused map, where it goes wrong) is brought up to date. A stroke or a
// tool changes bytes and cells as it goes and brings the rest up to date
// once, at its end.
import { $, count, decoder, encoder, stamp } from "./page.js";
import { CAPACITY, convert } from "./conversion.js";
import { CRLF, about, difference, lineEnd, map } from "./map.js";
import { canRedo, canUndo, held, record, redo as redoStep, saved, undo as undoStep } from "./history.js";
import { layout, relayout } from "./cells.js";
import { showListing } from "./listing.js";
import { drawNow, retell, showPicture } from "./picture.js";
import { showRefusal } from "./refusal.js";

// A larger map is converted, drawn and painted, but not put in the text
// box: filling a text box with a megabyte freezes the page for a moment
// that shows. A map typed or pasted there is in it already.
const EDIT_LIMIT = 100000;
const PLACEHOLDER = $("text").placeholder;
const inBox = () => map.bytes.length <= EDIT_LIMIT || map.from === "typed";

// after.step: told of every step made, undone or redone (the page keeps
// the map then), and whether the step put another map in place;
// after.fit: told when the picture fits a map anew.
export const after = { step: () => {}, fit: () => {} };

let out = null;      // the conversion of the map as it was last brought up to date
let stale = false;   // the bytes have changed since
let shown = null;    // the layout whose readouts are shown

// t0: when the event that brought the change began. fitted: the map is
// another, and its picture fits the box anew. typed: the text box holds
// the map already.
export function refresh(t0, { fitted = false, typed = false } = {}) {
  show(t0, fitted, typed, true);
}

// laid: the map is laid out anew, after its listing is shown.
function show(t0, fitted, typed, laid = false) {
  out = convert(map.bytes);
  stale = false;
  showListing(out);
  const t1 = performance.now();
  if (laid) relayout();
  if (fitted) after.fit();
  if (fitted || shown !== layout.cells) showPicture(fitted);
  else drawNow();
  shown = layout.cells;
  retell();
  const t2 = performance.now();
  if (!typed) showText();
  showSource();
  showRefusal(out, map.bytes, inBox());
  // A link made before is for the map as it was.
  $("link").hidden = true;
  $("shared").textContent = "";
  showButtons();
  stamp(t0, t1, t2);
}

// The conversion of the map as it is now: Download and links act on it.
export function current() {
  if (stale) show(performance.now(), false, false);
  return out;
}

function showButtons() {
  $("undo").disabled = !canUndo();
  $("redo").disabled = !canRedo();
  $("save").disabled = map.cut;
  $("save").title = map.cut ? `Only the first ${(CAPACITY + 1).toLocaleString("en")} bytes of ${map.name} are in the page` : "";
  document.body.dataset.history = held();  // bytes, for the page's test
}

function showText() {
  const text = $("text");
  if (!inBox()) {
    text.value = "";
    text.placeholder = `${map.name} holds ${map.bytes.length.toLocaleString("en")} bytes or more, too many ` +
      "to show here. It is converted, drawn and painted as it is; typing here starts a new map.";
    return;
  }
  const value = decoder.decode(map.bytes);
  if (text.value === value) return;
  const { scrollTop, scrollLeft } = text;
  text.value = value;
  text.placeholder = PLACEHOLDER;
  Object.assign(text, { scrollTop, scrollLeft });
}

function showSource() {
  const size = count(map.bytes.length, "byte");
  $("source").textContent = map.from === "typed" ? `Typed: ${size} as UTF-8.`
    : map.from === "new" ? `${map.name}: ${size}, a new map.`
    : map.from ? `${map.name}: ${size}${map.bytes.length > CAPACITY ? " or more" : ""}, from ${map.from}, converted as they are.`
    : "";
}

// Bytes changed in place by a stroke or a tool under way: the rest waits
// for its end.
export const touched = () => { stale = true; };

// A stroke's or a tool's edits, made and drawn already, as one step; what
// derives from the map is brought up to date now.
export function commit(edits, t0) {
  if (edits.length > 0) {
    record(edits, about());
    after.step(false);
  }
  if (stale || edits.length > 0) show(t0, false, false);
}

// Another map in place of this one: opened, new, from a picture, a link or
// the browser's keeping. It has nothing unsaved but what is drawn after.
export function replace(bytes, name, from, t0, cut = false) {
  anew(bytes, { name, from, cut }, t0);
  saved();
  after.step(true);
}

// The map written anew by a tool, as one step: cropped, resized, turned.
export function rewrite(bytes, t0) {
  anew(bytes, {}, t0);
  after.step(false);
}

function anew(bytes, props, t0) {
  const before = about();
  const edit = { at: 0, removed: map.bytes, inserted: bytes.slice() };
  Object.assign(map, { bytes }, props);
  record([edit], before, { whole: true });
  refresh(t0, { fitted: true });
}

// What the text box holds now, as UTF-8, its line ends the map's own: the
// box shows every line end as LF.
export function typed(t0) {
  const value = $("text").value;
  const bytes = encoder.encode(lineEnd() === CRLF ? value.replace(/\n/g, "\r\n") : value);
  const before = about();
  const edit = difference(bytes);
  Object.assign(map, { bytes, from: "typed", cut: false });
  record([edit], before, { typing: true });
  after.step(false);
  refresh(t0, { typed: true });
}

function replay(step, t0) {
  if (!step) return;
  after.step(false);
  refresh(t0, { fitted: step.whole });
  // Where the text changed, for the one who typed it, as the box counts:
  // a line end is one character there.
  const text = $("text");
  if (step.typing && document.activeElement === text && inBox()) {
    const at = decoder.decode(map.bytes.subarray(0, step.edits[0].at)).replace(/\r\n?/g, "\n").length;
    text.setSelectionRange(at, at);
  }
}
export const undo = (t0) => replay(undoStep(), t0);
export const redo = (t0) => replay(redoStep(), t0);
