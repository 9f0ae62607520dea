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
import { drawing, end, painting, setDrawing, startTools } from "./draw.js";
import { blank, copied, paste, select, selection, turnAny } from "./tools/select.js";
import { crop, startResize } from "./reshape.js";
import { startGestures } from "./gestures.js";
import { openLink, share } from "./share.js";
import { openFile, startNewMap } from "./open.js";
import { keepSoon, restore, startKeeping } from "./keep.js";
import { startSite } from "./site.js";

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
// Ctrl+S (⌘S) saves the map, not the page.
document.addEventListener("keydown", (e) => {
  if (!(mac ? e.metaKey : e.ctrlKey) || e.altKey) return;
  const k = e.key.toLowerCase();
  if (k === "s" && !e.shiftKey) $("save").click();
  else if (e.target instanceof HTMLInputElement) return;
  else if (k === "z" && !e.shiftKey) back();
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
  if (painting()) end(null, {}, performance.now());
  act();
};
$("draw").addEventListener("click", () => setDrawing(!$("draw").matches('[aria-pressed="true"]')));

// The selection through the system's clipboard, as map text: the copy,
// cut and paste events of the picture, so that the browser's own keys and
// menus work with no permission asked, and the buttons, which raise those
// events where the browser lets a page do so.
let button = false;  // a button raised the event, from outside the picture
const onPicture = () => drawing.on && (button || document.activeElement === $("canvas"));
const note = (text) => { $("tool-note").textContent = text; };
function copy(e) {
  const text = onPicture() && copied();
  if (!text) return false;
  e.clipboardData.setData("text/plain", text);
  e.preventDefault();
  note(`Copied ${selection.box.w} × ${selection.box.h} cells as map text.`);
  return true;
}
document.addEventListener("copy", copy);
document.addEventListener("cut", (e) => copy(e) && blank(performance.now()));
document.addEventListener("paste", (e) => {
  if (!onPicture()) return;
  e.preventDefault();
  paste(e.clipboardData.getData("text/plain"), performance.now());
});
const raise = (command) => () => {
  button = true;
  try {
    if (!document.execCommand(command)) {
      note(`This browser lets a page ${command} only through its own keys: ${mac ? "⌘" : "Ctrl+"}${command === "cut" ? "X" : "C"} on the picture.`);
    }
  } finally {
    button = false;
  }
};
$("copy").addEventListener("click", raise("copy"));
$("cut").addEventListener("click", raise("cut"));
$("paste").hidden = !navigator.clipboard?.readText;
$("paste").addEventListener("click", async () => {
  try {
    paste(await navigator.clipboard.readText(), performance.now());
  } catch {
    note("The browser did not hand over its clipboard: paste with Ctrl+V on the picture.");
  }
});
$("delete").addEventListener("click", () => blank(performance.now()));
$("crop").addEventListener("click", () => selection.box && crop(selection.box, performance.now()));
for (const [id, how] of [["flip-h", "across"], ["flip-v", "down"], ["rotate", "rotate"]]) {
  $(id).addEventListener("click", () => turnAny(how, performance.now()));
}
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
startResize();
startTools();
startSite();
setDrawing(false);
after.step = keepSoon;
after.fit = () => select(null);

refresh(performance.now(), { fitted: true });
const kept = await startKeeping();
if (!(await openLink())) restore(kept, (bytes, name, from) => replace(bytes, name, from, performance.now()));
document.body.dataset.ready = "yes";
