// The other forms beside the listing (forms/): the choice of form, made
// from their list, and its Download and Copy buttons; and a file in one
// of them opened as its map. Each is made from the conversion's listing
// and layout, never by reading the map text here again; the text forms
// end their lines as the listing's choice says. JSON and CSV open through
// the listing's reader, so that what it refuses they refuse, on their own
// lines.
import { $, count, decoder, join, save, stem } from "./page.js";
import { CAPACITY, HEADER_WIDTH, readListing } from "./conversion.js";
import { current, extent, layout, map, replace } from "./document.js";
import { crlf } from "./listing.js";
import { FORMS, Refusal } from "./forms/index.js";
import { fitted, trimmedNote } from "./forms/fit.js";
import { readyToDraw } from "./tools/drawing.js";

export const chosen = () => FORMS.find((f) => f.name === $("form").value);
// The chosen form's options, each a choice the page makes from the
// form's own list of them, beside the choice of form.
const optionsOf = (form) => Object.fromEntries((form.options ?? []).map((o) => [o.name, $(`form-${o.name}`).value]));
function showOptions(form) {
  const span = $("form-options") ?? $("form").parentElement.insertAdjacentElement("afterend", Object.assign(
    document.createElement("span"), { id: "form-options" }));
  span.replaceChildren(...(form.options ?? []).map((o) => {
    const label = document.createElement("label"), select = document.createElement("select");
    select.id = `form-${o.name}`;
    select.append(...o.choices.map(([value, text]) => new Option(text, value)));
    label.append(`${o.label} `, select);
    return label;
  }));
}

// Why the chosen form cannot be had now, or "".
export function unready(copy = false) {
  const form = chosen(), out = current();
  if (out.refused) return "The map is refused: it has no listing, and no other form either";
  if (form.cells && out.hgt === 0) return `An empty map has no ${form.title} form`;
  if (copy && !form.text) return "A PNG is an image, not text: download it";
  return "";
}

// The map as the forms take it: the listing's size and its points' lines,
// and, for a form of cells, the rows as the conversion lays them out.
function made() {
  const t0 = performance.now(), form = chosen(), out = current();
  const bytes = form.write({ name: map().name, options: optionsOf(form), eol: crlf() ? "\r\n" : "\n", wid: out.wid, hgt: out.hgt,
    points: out.points, body: out.listing.subarray(HEADER_WIDTH + 1), ...form.cells && { ...extent(), rowStart: layout().rowStart, cells: layout().cells } });
  document.body.dataset.formMs = performance.now() - t0;
  return { form, bytes };
}

export function downloadForm() {
  const { form, bytes } = made();
  save(bytes, (stem(map().name) || "map") + form.ext, form.type);
}

export async function copyForm() {
  const { form, bytes } = made();
  try {
    await navigator.clipboard.writeText(decoder.decode(bytes));
    $("form-note").textContent = `Copied the map as ${form.title}, ${count(bytes.length, "byte")}.`;
  } catch {
    $("form-note").textContent = `This browser did not take the text: download the ${form.title} instead.`;
  }
}

// The choice, one option a form; the buttons, shown anew, say the form
// they act on (commands.js).
export function startForms(showButtons) {
  $("form").replaceChildren(...FORMS.map((f) => new Option(f.label, f.name)));
  $("form").addEventListener("change", () => {
    showOptions(chosen());
    $("form-note").textContent = "";
    showButtons();
  });
  showOptions(chosen());
}

// The listing of a size and its point lines, read back into its map; a
// refusal on the form's own line.
function throughListing({ w, h, body, line }) {
  const read = readListing(join(`${`[${w},${h}] // map size`.padEnd(HEADER_WIDTH)}\n`, body));
  if (read.bytes) return read.bytes;
  throw new Refusal(read.line ? line(read.line) : 0, read.reason);
}

const LIMIT = 64 << 20;  // a JSON file of a map's million points takes about 11 MB

// A file in one of these forms, opened as its map; or why not, on which
// line, and the map in the page as it was.
export async function openForm(file, form) {
  const said = (why) => {
    $("opened").textContent = `${file.name} cannot be read as ${form.title} in the form this page writes: ${why}. ` +
      "The map in the page is as it was.";
  };
  if (file.size > LIMIT) return said(`it holds ${count(file.size, "byte")}, more than the ${count(LIMIT, "byte")} read`);
  try {
    const data = new Uint8Array(await file.arrayBuffer()), t0 = performance.now();
    const read = await form.read(data, { capacity: CAPACITY });
    const fit = read.trimmed ? { ...read.trimmed, trimmed: true } : read.block && fitted(read.block, CAPACITY);
    const bytes = fit ? fit.bytes : throughListing(read.listing), { w, h } = read.trimmed ?? read.block ?? {};
    document.body.dataset.formOpenMs = performance.now() - t0;
    replace(bytes, stem(file.name) + ".map", form.from);
    readyToDraw();
    if (fit?.trimmed) {
      $("opened").textContent = trimmedNote(file.name, w, h, "cells", "marked cell");
    }
  } catch (e) {
    if (!(e instanceof Refusal)) throw e;
    said(`${e.line ? `line ${e.line}${e.column ? `, column ${e.column}` : ""}: ` : ""}${e.reason}`);
  }
}
