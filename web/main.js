// The page's controls, wired: opening, typing and dropping, the history's
// keys and buttons, drawing, the listing's Download, Save map and links.
// It starts with an empty map, or the one a link holds.
import { $, save } from "./page.js";
import { map } from "./map.js";
import { download, showListing, startListing } from "./listing.js";
import { picture, startPicture } from "./picture.js";
import { placeLayer } from "./refusal.js";
import { redo, refresh, typed, undo } from "./edit.js";
import { painting, setDrawing } from "./draw.js";
import { startGestures } from "./gestures.js";
import { openLink, share } from "./share.js";
import { openFile, startNewMap } from "./open.js";

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

$("draw").addEventListener("click", () => setDrawing(!$("draw").matches('[aria-pressed="true"]')));
$("save").addEventListener("click", () => save(map.bytes, map.name));
$("download").addEventListener("click", () => download(picture.out, map.name));
$("share").addEventListener("click", share);
window.addEventListener("hashchange", openLink);
startListing(() => picture.out && showListing(picture.out));
startPicture();
startGestures();
startNewMap();
setDrawing(false);

refresh(performance.now(), { fitted: true });
await openLink();
document.body.dataset.ready = "yes";
