// Maps drawn in other characters: level files, ASCII art and posts mark
// cells with # and space, X and -, 1 and 0, or block characters. Where
// text is refused for a printable character, an offer stands under the
// refusal, over the picture: each character the text holds, decoded as
// UTF-8 where its bytes are UTF-8 (else byte by byte), with its count and a
// choice of marked, blank or left out, guessed first from the usual
// conventions. Nothing
// changes until the choice is confirmed; then every character becomes O,
// a full stop or nothing, and the line ends stay as they were.
import { $, count, stem } from "./page.js";
import { map, on, rewrite } from "./document.js";
import { characters, guess, label, translate } from "./characters.js";
import { backToPicture, offering } from "./notes.js";


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
  (where === "paste" ? $("tool-note") : $("refusal")).after($("charset"));
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
    "The pasted text holds other characters than O and full stops. Paste it in O and full stops, each character " +
    "as chosen here?");
}

export function startCharset() {
  on("converted", ({ out }) => {
    const b = map().bytes[out.at];
    if (!out.refused || out.tooLarge || b < 0x20 || b >= 0x7f) return hide();
    show(map().bytes, "map", (bytes) => rewrite(bytes, stem(map().name) + ".map"),
      `${map().name} may be a map drawn in other characters. Write it anew in O and full stops, each character as ` +
      "chosen here, its line ends as they are, named as a map? Undo brings it back.");
  });
  $("charset-go").addEventListener("click", () => {
    const { chars, chosen, confirm } = offer;
    hide();
    confirm(translate(chars, chosen));
    backToPicture();
  });
  $("charset-no").addEventListener("click", () => {
    hide();
    backToPicture();
  });
  offering("charset", hide);
}
