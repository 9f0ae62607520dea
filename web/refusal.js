// Where a refused map goes wrong, over the picture: the tool's message as
// it is, then what the tool does not say: the line and column of the
// refused byte, an excerpt of its line with the byte marked, the byte
// marked in the text box, for a zero or a lower-case o what a marked cell
// is, and how to mend it.
import { $, decoder } from "./page.js";
import { CAPACITY } from "./conversion.js";
import { map, on } from "./document.js";
import { inBox } from "./textbox.js";
import { reveal } from "./layout.js";

// Line and column of the byte at `at`, 1-based and counted as an editor
// counts them: a line ends at LF, CR LF or a lone CR, and a column is a
// character, whatever its bytes. Also the text of the line before it.
function position(bytes, at) {
  const before = decoder.decode(bytes.subarray(0, at)).replace(/\r\n?/g, "\n");
  const start = before.lastIndexOf("\n") + 1;
  let line = 1;
  for (let i = before.indexOf("\n"); i >= 0 && i < start; i = before.indexOf("\n", i + 1)) line++;
  const lineText = before.slice(start);
  let column = 1;
  for (let i = 0; i < lineText.length; i++) if ((lineText.charCodeAt(i) & 0xfc00) !== 0xdc00) column++;
  return { line, column, lineText, index: before.length };
}

const HINTS = { "0": "the digit zero", "o": "a lower-case o" };

// inBox: the map is in the text box, where its byte can be marked.
function showRefusal(out, bytes, inBox) {
  $("refusal").hidden = !out.message;
  $("message").textContent = out.message;
  const ch = out.refused && !out.tooLarge ? String.fromCharCode(bytes[out.at]) : "";
  $("hint").textContent = HINTS[ch] ? `A marked cell is the capital letter O, not ${HINTS[ch]}.` : "";
  $("mend").textContent = out.tooLarge ? `A map is at most ${CAPACITY.toLocaleString("en")} bytes: open a smaller one, ` +
    "or make a new map." : ch ? "Mend that byte in the map's text, which the button above picks, or paint its cell " +
    "while drawing." : "";
  const at = ch ? position(bytes, out.at) : null;
  $("where").hidden = $("excerpt").hidden = !at;
  $("layer").replaceChildren();
  if (!at) return;
  $("goto").textContent = `line ${at.line}, column ${at.column}`;
  $("goto").disabled = !inBox;
  $("goto").onclick = () => {
    reveal($("text"));
    $("text").focus();
    $("text").setSelectionRange(at.index, at.index + 1);
  };
  const after = decoder.decode(bytes.subarray(out.at + 1, out.at + 61)).split(/[\r\n]/)[0];
  const shown = at.lineText.length > 60 ? "…" + at.lineText.slice(-60) : at.lineText;
  $("excerpt").replaceChildren(shown, mark(ch), after);
  if (inBox) {
    $("layer").replaceChildren(at.lineText, mark(ch));
    $("layer").dataset.line = at.line;
    placeLayer();
  }
}

function mark(ch) {
  const m = document.createElement("mark");
  m.textContent = ch;
  return m;
}

function placeLayer() {
  if (!$("layer").firstChild) return;
  const text = $("text");
  const top = ($("layer").dataset.line - 1) * parseFloat(getComputedStyle(text).lineHeight);
  $("layer").style.transform = `translate(${-text.scrollLeft}px, ${top - text.scrollTop}px)`;
}

export function startRefusal() {
  on("converted", ({ out }) => showRefusal(out, map().bytes, inBox()));
  $("text").addEventListener("scroll", placeLayer);
}
