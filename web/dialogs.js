// The dialogs that ask for a map's width and height, New map's and
// Resize's: they say how many bytes the map would take, and refuse one
// larger than a map holds.
import { $, count } from "./page.js";
import { CAPACITY } from "./conversion.js";

// name: the start of the dialog's elements' ids; bytes: the map's size
// for a width and a height; prepare: false keeps it shut; make(w, h): what
// it does. Gives the function that opens it. Its elements are found when
// it first opens, so that it can be made before the page is wired.
export function sizeDialog(name, bytes, prepare, make) {
  let dialog = null;
  const wanted = () => [+$(`${name}-width`).value, +$(`${name}-height`).value];
  const check = () => {
    const [w, h] = wanted(), ok = Number.isInteger(w) && Number.isInteger(h) && w >= 1 && h >= 1;
    const fits = ok && bytes(w, h) <= CAPACITY;
    $(`${name}-note`).textContent = !ok ? "Width and height are whole numbers, 1 or more."
      : `${count(bytes(w, h), "byte")}${fits ? "." : `: more than the ${CAPACITY.toLocaleString("en")} a map holds.`}`;
    $(`${name}-make`).disabled = !fits;
    return fits;
  };
  return () => {
    if (!dialog) {
      dialog = $(`${name}-dialog`);
      for (const side of ["width", "height"]) $(`${name}-${side}`).addEventListener("input", check);
      dialog.addEventListener("close", () => {
        if (dialog.returnValue === "make" && check()) make(...wanted());
      });
    }
    if (prepare() === false) return;
    dialog.returnValue = "";  // Escape closes it leaving the last value
    check();
    dialog.showModal();
  };
}
