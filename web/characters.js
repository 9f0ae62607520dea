// The characters of a map drawn in others than O and full stops: each
// one the text holds, decoded as UTF-8 where its bytes are UTF-8 (else
// byte by byte), with its count; the usual conventions' guess at what it
// stands for; its name; and the text written in O and full stops.

const LF = 10, CR = 13;
const MARKED = "O#Xx@*1█▓▒■●◼◆o", BLANK = ". -_0·░,";
const strict = new TextDecoder("utf-8", { fatal: true });
// Printable: no control, format or unassigned character.
export const printable = (c) => /^\P{C}$/u.test(c);

// A byte of a text that is no UTF-8 is no character to guess at: the tool
// skips it, and so is it left out.
export function guess(c, utf8) {
  if (!utf8 && c.charCodeAt(0) >= 0x80) return "out";
  if (MARKED.includes(c)) return "marked";
  if (BLANK.includes(c)) return "blank";
  return printable(c) ? "marked" : "out";
}

// The text's characters but its line ends, in the order met, with their
// counts; chars(i) is the i-th character of the text, null at a line end.
export function characters(bytes) {
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
export function translate({ units }, chosen) {
  const out = new Uint8Array(units.length);
  let n = 0;
  for (const c of units) {
    const to = c === "\n" ? LF : c === "\r" ? CR : { marked: 0x4f, blank: 0x2e }[chosen.get(c)];
    if (to) out[n++] = to;
  }
  return out.slice(0, n);
}

const NAMES = { " ": "space", "\t": "tab", "\u00a0": "no-break space", "\ufeff": "byte order mark" };
export function label(c, utf8) {
  const code = c.codePointAt(0);
  if (!utf8 && code >= 0x80) return `byte ${code.toString(16).toUpperCase()}h`;
  const hex = `U+${code.toString(16).toUpperCase().padStart(4, "0")}`;
  return NAMES[c] ? `${NAMES[c]} (${hex})` : printable(c) ? `“${c}” (${hex})` : hex;
}
