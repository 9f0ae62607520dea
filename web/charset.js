// Maps drawn in other characters: level files, ASCII art and posts mark
// cells with # and space, X and -, 1 and 0, or block characters. Where
// text is refused for a printable character, an offer stands beside the
// refusal: each character the text holds, decoded as UTF-8 where its bytes
// are UTF-8 (else byte by byte), with its count and a choice of marked,
// blank or left out, guessed first from the usual conventions. Nothing
// changes until the choice is confirmed; then every character becomes O,
// a full stop or nothing, and the line ends stay as they were.
import { $, count, stem } from "./page.js";
import { map, on, rewrite } from "./document.js";

const LF = 10, CR = 13;
const MARKED = "O#Xx@*1█▓▒■●◼◆o", BLANK = ". -_0·░,";
const strict = new TextDecoder("utf-8", { fatal: true });
// Printable: no control, format or unassigned character.
export const printable = (c) => /^\P{C}$/u.test(c);

// A byte of a text that is no UTF-8 is no character to guess at: the tool
// skips it, and so is it left out.
function guess(c, utf8) {
  if (!utf8 && c.charCodeAt(0) >= 0x80) return "out";
  if (MARKED.includes(c)) return "marked";
  if (BLANK.includes(c)) return "blank";
  return printable(c) ? "marked" : "out";
}

// The text's characters but its line ends, in the order met, with their
// counts; chars(i) is the i-th character of the text, null at a line end.
function characters(bytes) {
  let text = null;
  try {
    text = strict.decode(bytes);
  } catch {
    // Not UTF-8: a character is a byte.
  }
  const units = text === null ? Array.from(bytes, (b) => String.fromCharCode(b)) : [...text];
  const counts = new Map();
  for (const c of units) if (c !== "\n" && c !== "\r") counts.set(c, (counts.get(c) ?? 0) + 1);
  return { units, utf8: text !== null, counts };
}

// The text with each character as chosen: O, a full stop, or nothing.
function translate({ units }, chosen) {
  const out = new Uint8Array(units.length);
  let n = 0;
  for (const c of units) {
    const to = c === "\n" ? LF : c === "\r" ? CR : { marked: 0x4f, blank: 0x2e }[chosen.get(c)];
    if (to) out[n++] = to;
  }
  return out.slice(0, n);
}

const NAMES = { " ": "space", "\t": "tab", "\u00a0": "no-break space", "\ufeff": "byte order mark" };
function label(c, utf8) {
  const code = c.codePointAt(0);
  if (!utf8 && code >= 0x80) return `byte ${code.toString(16).toUpperCase()}h`;
  const hex = `U+${code.toString(16).toUpperCase().padStart(4, "0")}`;
  return NAMES[c] ? `${NAMES[c]} (${hex})` : printable(c) ? `“${c}” (${hex})` : hex;
}

// What is on offer now: the text's characters, what each is to become, and
// what confirming does; null when nothing is.
let offer = null;

function show(bytes, where, confirm, what) {
  const chars = characters(bytes), chosen = new Map();
  // A choice made already stands while the text changes under it.
  for (const c of chars.counts.keys()) chosen.set(c, offer?.chosen.get(c) ?? guess(c, chars.utf8));
  offer = { chars, chosen, confirm };
  const rows = [...chars.counts].map(([c, n]) => {
    const select = document.createElement("select");
    select.setAttribute("aria-label", `${label(c, chars.utf8)}, ${count(n, "time")}`);
    select.dataset.char = c;
    for (const [value, text] of [["marked", "marked (O)"], ["blank", "blank (.)"], ["out", "left out"]]) {
      select.add(new Option(text, value, false, chosen.get(c) === value));
    }
    select.onchange = () => chosen.set(c, select.value);
    const row = document.createElement("tr");
    for (const cell of [label(c, chars.utf8), n.toLocaleString("en"), select]) row.insertCell().append(cell);
    return row;
  });
  $("charset-rows").replaceChildren(...rows);
  $("charset-what").textContent = what;
  $("charset-go").textContent = where === "paste" ? "Paste in O and ." : "Write the map in O and .";
  (where === "paste" ? $("tool-note") : $("excerpt")).after($("charset"));
  $("charset").hidden = false;
}

function hide() {
  offer = null;
  $("charset").hidden = true;
}

// Text pasted onto the picture and refused: offered so, and pasted once
// written in O and full stops.
export function offerPaste(text, paste) {
  show(new TextEncoder().encode(text), "paste",
    (bytes) => paste(new TextDecoder().decode(bytes)),
    "The pasted text holds other characters than O and full stops. Say what each one is, and it is pasted so:");
}

export function startCharset() {
  on("updated", ({ out }) => {
    const b = map.bytes[out.at];
    if (!out.refused || out.tooLarge || b < 0x20 || b >= 0x7f) return hide();
    show(map.bytes, "map", (bytes) => rewrite(bytes, stem(map.name) + ".map"),
      `${map.name} may be a map drawn in other characters. Say what each one is, and it is written anew in O and ` +
      "full stops, its line ends as they are, named as a map (Undo brings it back):");
  });
  $("charset-go").addEventListener("click", () => {
    const { chars, chosen, confirm } = offer;
    hide();
    confirm(translate(chars, chosen));
  });
}
