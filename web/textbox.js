// The text box: the map's text, as UTF-8 with every line end shown as LF,
// and typing in it, which makes the map what the box holds with the map's
// own line ends; and the line that says where the map came from.
import { $, count, decoder, encoder } from "./page.js";
import { CAPACITY } from "./conversion.js";
import { CRLF } from "./edits.js";
import { lineEnd, map, on, replace, typed } from "./document.js";

// A larger map is converted, rendered and painted, but not put in the text
// box: filling a text box with a megabyte freezes the page for a moment
// that shows. A map typed or pasted there is in it already.
const EDIT_LIMIT = 100000;
export const inBox = () => map().bytes.length <= EDIT_LIMIT || map().from === "typed" || map().from === "a paste";

function showText() {
  const text = $("text");
  if (!inBox()) {
    text.value = "";
    text.placeholder = `${map().name} holds ${map().bytes.length.toLocaleString("en")} bytes or more, too many ` +
      "to show here. It is converted, drawn and painted as it is; typing here starts a new map.";
    return;
  }
  const value = decoder.decode(map().bytes);
  if (text.value === value) return;
  const { scrollTop, scrollLeft } = text;
  text.value = value;
  text.placeholder = text.dataset.placeholder;
  Object.assign(text, { scrollTop, scrollLeft });
}

function showSource() {
  const size = count(map().bytes.length, "byte");
  $("source").textContent = map().from === "typed" ? `Typed: ${size} as UTF-8.`
    : map().from === "new" ? `${map().name}: ${size}, a new map.`
    : map().from ? `${map().name}: ${size}${map().bytes.length > CAPACITY ? " or more" : ""}, from ${map().from}, converted as they are.`
    : "";
}

export function startTextBox() {
  const text = $("text");
  text.dataset.placeholder = text.placeholder;
  // A paste or a drop over the whole text, or into an empty box, brings
  // another map, which takes an entry of its own: the one shown before is
  // never written over from here. So does typing where the box shows no
  // map, for it holds too many bytes. Within the text, typing and pasting
  // edit the map shown.
  let whole = false;
  text.addEventListener("beforeinput", (e) => {
    whole = !inBox() || (/^insertFrom(Paste|Drop)/.test(e.inputType) &&
      (text.value === "" || (text.selectionStart === 0 && text.selectionEnd === text.value.length)));
  });
  text.addEventListener("input", () => {
    const value = text.value;
    if (whole && map().bytes.length > 0) replace(encoder.encode(value), "pasted.map", "a paste");
    else typed(encoder.encode(lineEnd() === CRLF ? value.replace(/\n/g, "\r\n") : value));
    whole = false;
  });
  on("converted", ({ typed: inIt }) => {
    if (!inIt) showText();
    showSource();
  });
  on("name", showSource);
  // Where the text changed, for the one who typed it, as the box counts:
  // a line end is one character there.
  on("replayed", (step) => {
    if (!step.typing || document.activeElement !== text || !inBox()) return;
    const at = decoder.decode(map().bytes.subarray(0, step.edits[0].at)).replace(/\r\n?/g, "\n").length;
    text.setSelectionRange(at, at);
  });
}
