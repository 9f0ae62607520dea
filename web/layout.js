// A phone's screen: the map's name in the top bar, over the picture, and
// the sheet that holds the map's text, its listing and its other forms
// over the picture, which the top bar's More opens and closes, and Esc
// closes. Elsewhere the sheet's parts are the page's own columns.
import { $ } from "./page.js";
import { map, on } from "./document.js";

const phone = matchMedia("(width < 760px)");
const open = () => document.body.classList.contains("sheet");

export function showSheet(shown = !open()) {
  document.body.classList.toggle("sheet", shown);
  $("sheet-toggle").setAttribute("aria-expanded", shown);
}

// An element of the sheet, brought to where it can be used.
export function reveal(element) {
  if (phone.matches && $("sheet").contains(element)) showSheet(true);
}

export function startLayout() {
  const name = () => { $("map-name").textContent = map().from ? map().name : "gridpin"; };
  on("name", name);
  on("converted", name);
  // Another map is shown in the picture, but for one pasted into the text
  // box, where the hand still is.
  on("step", ({ whole }) => {
    if (whole && document.activeElement !== $("text")) showSheet(false);
  });
  document.addEventListener("keydown", (e) => {
    if (e.key !== "Escape" || !open() || document.querySelector("dialog[open]")) return;
    showSheet(false);
    $("sheet-toggle").focus();
  });
}
