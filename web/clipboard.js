// The selection through the system's clipboard, as map text: the copy,
// cut and paste events, so that the browser's own keys and menus work on
// the picture with no permission asked; and the buttons, which go through
// the clipboard's own interface where the engine has it.
import { $ } from "./page.js";
import { blank, copied, paste, selection } from "./selection.js";
import { drawing } from "./tools/drawing.js";
import { say } from "./notes.js";

const onPicture = () => drawing.on && document.activeElement === $("canvas");
// Said after Cut's blanking, which is a step that clears the note, and
// which takes a floating paste's box away: the box is the one copied.
const said = ({ w, h }) => say(`Copied ${w} × ${h} cells as map text.`);

// The box copied, or null.
function copy(e) {
  const text = onPicture() && copied(), box = selection.box;
  if (!text) return null;
  e.clipboardData.setData("text/plain", text);
  e.preventDefault();
  said(box);
  return box;
}

// The Copy and Cut buttons: the selection written to the clipboard, and
// for Cut blanked once it is there; keys: the command's own, as the note
// names them where the browser does not take the text.
export async function copyOut(cut, keys) {
  const text = copied(), box = selection.box;
  if (!text) return;
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    say(`This browser did not take the text: ${cut ? "cut" : "copy"} with ${keys} on the picture.`);
    return;
  }
  if (cut) blank();
  said(box);
}

// The Paste button, where the engine lets a page read the clipboard; the
// paste then floats on the focused picture, for its keys.
export async function pasteIn(keys) {
  try {
    paste(await navigator.clipboard.readText());
    $("canvas").focus();
  } catch {
    say(`The browser did not hand over its clipboard: paste with ${keys} on the picture.`);
  }
}
export const canRead = () => !!navigator.clipboard?.readText;

export function startClipboard() {
  document.addEventListener("copy", copy);
  document.addEventListener("cut", (e) => {
    const box = copy(e);
    if (!box) return;
    blank();
    said(box);
  });
  document.addEventListener("paste", (e) => {
    if (!onPicture()) return;
    e.preventDefault();
    paste(e.clipboardData.getData("text/plain"));
  });
}
