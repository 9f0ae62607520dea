// The page's controls, wired: opening, typing and dropping, the history's
// keys and buttons, drawing, the listing's Download, Save map and links.
// It starts with the map a link holds, or the one the browser kept, or an
// empty one.
import { $, save } from "./page.js";
import { map } from "./map.js";
import { saved } from "./history.js";
import { download, showListing, startListing } from "./listing.js";
import { startPicture } from "./picture.js";
import { placeLayer } from "./refusal.js";
import { after, current, redo, refresh, replace, typed, undo } from "./edit.js";
import { end, painting, setDrawing } from "./draw.js";
import { startGestures } from "./gestures.js";
import { openLink, share } from "./share.js";
import { openFile, startNewMap } from "./open.js";
import { keepSoon, restore, startKeeping } from "./keep.js";

$("file").addEventListener("change", async (e) => {
  await openFile(e.target.files[0]);
  e.target.value = "";  // so that the same file can be opened again
});
document.addEventListener("dragover", (e) => { e.preventDefault(); document.body.classList.add("dragging"); });
document.addEventListener("dragleave", (e) => { if (!e.relatedTarget) document.body.classList.remove("dragging"); });
document.addEventListener("drop", (e) => {
  e.preventDefault();
  document.body.classList.remove("dragging");
  openFile(e.dataTransfer.files[0]);
});
$("text").addEventListener("input", () => typed(performance.now()));
$("text").addEventListener("scroll", placeLayer);

// Undo and redo are the page's, in the text box too, where the browser's
// own would know nothing of painting; not in the middle of a stroke.
const mac = /^mac|^iP/i.test(navigator.userAgentData?.platform ?? navigator.platform);
const back = () => painting() || undo(performance.now());
const forth = () => painting() || redo(performance.now());
document.addEventListener("keydown", (e) => {
  if (!(mac ? e.metaKey : e.ctrlKey) || e.altKey || e.target instanceof HTMLInputElement) return;
  const k = e.key.toLowerCase();
  if (k === "z" && !e.shiftKey) back();
  else if ((k === "z" && e.shiftKey) || (k === "y" && !mac)) forth();
  else return;
  e.preventDefault();
});
$("text").addEventListener("beforeinput", (e) => {
  if (e.inputType !== "historyUndo" && e.inputType !== "historyRedo") return;
  e.preventDefault();
  (e.inputType === "historyUndo" ? back : forth)();
});
$("undo").addEventListener("click", back);
$("redo").addEventListener("click", forth);
if (mac) {
  $("undo").title = "Undo (⌘Z)";
  $("redo").title = "Redo (⇧⌘Z)";
}

// What is saved, downloaded or shared is the map as it is, a stroke under
// way ended first.
const settled = (act) => () => {
  if (painting()) end(performance.now());
  act();
};
$("draw").addEventListener("click", () => setDrawing(!$("draw").matches('[aria-pressed="true"]')));
$("save").addEventListener("click", settled(() => {
  save(map.bytes, map.name);
  saved();
}));
$("download").addEventListener("click", settled(() => download(current(), map.name)));
$("share").addEventListener("click", settled(share));
window.addEventListener("hashchange", openLink);
startListing(() => current() && showListing(current()));
startPicture();
startGestures();
startNewMap();
setDrawing(false);
after.step = keepSoon;

refresh(performance.now(), { fitted: true });
const kept = await startKeeping();
if (!(await openLink())) restore(kept, (bytes, name, from) => replace(bytes, name, from, performance.now()));
document.body.dataset.ready = "yes";
