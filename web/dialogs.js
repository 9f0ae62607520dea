// The dialogs that ask for a map's width and height, New map's and
// Resize's: they say how many bytes the map would take, and refuse one
// larger than a map holds.
import { $, count } from "./page.js";
import { CAPACITY } from "./conversion.js";

// name: the dialog's button, and the start of its elements' ids; bytes:
// the map's size for a width and a height; open: false keeps it shut;
// make(w, h, t0): what it does.
export function sizeDialog(name, bytes, open, make) {
  const dialog = $(`${name}-dialog`), note = $(`${name}-note`);
  const wanted = () => [+$(`${name}-width`).value, +$(`${name}-height`).value];
  const check = () => {
    const [w, h] = wanted(), ok = Number.isInteger(w) && Number.isInteger(h) && w >= 1 && h >= 1;
    const fits = ok && bytes(w, h) <= CAPACITY;
    note.textContent = !ok ? "Width and height are whole numbers, 1 or more."
      : `${count(bytes(w, h), "byte")}${fits ? "." : `: more than the ${CAPACITY.toLocaleString("en")} a map holds.`}`;
    $(`${name}-make`).disabled = !fits;
    return fits;
  };
  for (const side of ["width", "height"]) $(`${name}-${side}`).addEventListener("input", check);
  $(name).addEventListener("click", () => {
    if (open() === false) return;
    dialog.returnValue = "";  // Escape closes it leaving the last value
    check();
    dialog.showModal();
  });
  dialog.addEventListener("close", () => {
    if (dialog.returnValue === "make" && check()) make(...wanted(), performance.now());
  });
}
