// The Maps list: every map the browser keeps for the page, the one changed
// last first, each with its name, size, when it last changed and a
// thumbnail; one opens, is renamed or, asked first, deleted from here. The
// map shown is marked. What the storage holds is said at the top.
import { $, beginAt, count, extension, withExtension } from "./page.js";
import { map, rename } from "./document.js";
import { deleteKept, freeName, keeping, listKept, readKept, refused, renameKept, restore } from "./keep.js";
import { colours } from "./picture.js";
import { readyToDraw } from "./tools/drawing.js";

const when = (t) => new Date(t).toLocaleString("en", { dateStyle: "medium", timeStyle: "short" });
const note = (text) => { $("maps-note").textContent = text; };
const el = (tag, props = {}, ...children) => {
  const e = Object.assign(document.createElement(tag), props);
  e.append(...children);
  return e;
};
function button(text, label, onclick) {
  const b = el("button", { type: "button", textContent: text, onclick });
  if (label) b.setAttribute("aria-label", label);
  return b;
}

function megabytes(n) {
  return n < 1e6 ? count(n, "byte") : `${(n / 1e6).toLocaleString("en", { maximumFractionDigits: 1 })} MB`;
}

// A map's thumbnail, in the page's colours.
function thumbnail({ thumb }) {
  const canvas = el("canvas", { className: "thumb", width: thumb?.w || 1, height: thumb?.h || 1 });
  canvas.setAttribute("aria-hidden", "true");
  if (!thumb?.w) return canvas;
  const { blank, marked } = colours(), image = new ImageData(thumb.w, thumb.h), px = new Uint32Array(image.data.buffer);
  thumb.cells.forEach((v, i) => { px[i] = [0, blank, marked][v]; });
  canvas.getContext("2d").putImageData(image, 0, 0);
  return canvas;
}

// What the maps take, and what the browser says its storage holds; after
// a refusal, which map is not kept and why first.
async function used(maps) {
  const own = maps.reduce((n, m) => n + m.size, 0), r = refused();
  let browser = "";
  try {
    const { usage, quota } = await navigator.storage.estimate();
    browser = `; the browser says the page's storage uses ${megabytes(usage)} of the ${megabytes(quota)} it may use, ` +
      `${megabytes(Math.max(quota - usage, 0))} free`;
  } catch {
    // An engine with no estimate: the maps' own bytes are said alone.
  }
  return `${r ? `${r.name} is not kept: ${r.why}. ` : ""}${count(maps.length, "map")} kept, ${megabytes(own)} of map text${browser}.`;
}

// One line of the list: the thumbnail, the name and what it is, and its
// buttons; Rename and Delete turn the line into their question.
function line(kept) {
  const shown = kept.entry === map().entry;
  const li = el("li");
  if (shown) li.setAttribute("aria-current", "true");
  const about = el("span", { className: "about" }, el("strong", { textContent: kept.name }),
    el("span", { className: "note", textContent: ` ${count(kept.size, "byte")}, changed ${when(kept.changed)}${shown ? "; shown now" : ""}` }));
  const actions = el("span", { className: "actions" },
    button("Open", `Open ${kept.name}`, () => open(kept)),
    button("Rename", `Rename ${kept.name}`, () => renaming(kept, li)),
    button("Delete", `Delete ${kept.name}`, () => deleting(kept, li)));
  li.append(thumbnail(kept), about, actions);
  return li;
}

async function open(kept) {
  if (kept.entry !== map().entry) {
    beginAt();
    const read = await readKept(kept);
    if (!read) return note(`${kept.name} is no longer kept: another page deleted it.`);
    restore(read);
    readyToDraw();
  }
  $("maps-dialog").close();
}

function renaming(kept, li) {
  const input = el("input", { value: kept.name, required: true });
  const form = el("form", { className: "ask" }, el("label", {}, `New name for ${kept.name} `, input),
    el("button", { type: "submit", textContent: "Rename" }), button("Cancel", "", () => showList()));
  form.onsubmit = async (e) => {
    e.preventDefault();
    const typed = input.value.trim();
    if (!typed) return note("A map's name cannot be empty.");
    // Its extension kept unless another is typed, and no other's name taken.
    const name = freeName(withExtension(typed, extension(kept.name)), kept.entry);
    // The map shown takes the name too, and Save map saves it so.
    if (kept.entry === map().entry) rename(name);
    await renameKept(kept, name);
    note(`${kept.name} is now ${name}.`);
    await showList();
  };
  li.lastChild.replaceWith(form);
  // The name without its extension selected, to be typed over.
  input.focus();
  input.setSelectionRange(0, kept.name.length - extension(kept.name).length);
}

function deleting(kept, li) {
  const shown = kept.entry === map().entry;
  const ask = el("span", { className: "ask" }, `Delete ${kept.name} from this browser?${shown ? " It stays in the page until another map takes its place." : ""} `,
    button("Delete", `Delete ${kept.name} for good`, async () => {
      await deleteKept(kept);
      note(`${kept.name} is deleted.${shown ? " It is still shown; a change to it keeps it again." : ""}`);
      await showList();
    }),
    button("Keep it", "", () => showList()));
  li.lastChild.replaceWith(ask);
  ask.querySelector("button").focus();
}

async function showList() {
  if (!keeping()) {
    $("maps-used").textContent = "This browser keeps nothing for this page: Save map keeps a map as a file.";
    $("maps-list").replaceChildren();
    return;
  }
  const maps = await listKept();
  $("maps-list").replaceChildren(...maps.map(line));
  $("maps-used").textContent = await used(maps);
  document.body.dataset.mapsMs = performance.now() - opened;
}

let opened = 0;
export async function openMaps() {
  opened = performance.now();
  note("");
  const dialog = $("maps-dialog");
  if (!dialog.open) dialog.showModal();
  await showList();
}
