// The page, started: each part subscribes to what it shows, the commands
// take their buttons and keys, and the page opens with the map a link
// holds, or the one the browser kept, or an empty one, drawing or looking
// as the tab was before a reload (a new tab looks). What the first
// screen shows is made before it is shown; the rest comes after, a task
// at a time, so that on a slow phone the page is painted and answers
// between them, and no one task blocks it long.
import { startClock } from "./page.js";
import { refresh } from "./document.js";
import { startTextBox } from "./textbox.js";
import { startRefusal } from "./refusal.js";
import { startCharset } from "./charset.js";
import { startListing } from "./listing.js";
import { startPicture } from "./picture.js";
import { startSelection } from "./selection.js";
import { startClipboard } from "./clipboard.js";
import { startGestures } from "./gestures.js";
import { said, startCommands } from "./commands.js";
import { startOpening } from "./open.js";
import { openLink, startSharing } from "./share.js";
import { restore, startKeeping } from "./keep.js";
import { startSite } from "./site.js";
import { startTabs } from "./tabs.js";
import { startNotes } from "./notes.js";
import { startRulers } from "./rulers.js";
import { resume } from "./tools/drawing.js";
import { startLayout } from "./layout.js";

// A task of its own: a timer, not a frame, which a hidden tab never gets.
const later = () => new Promise((resolve) => setTimeout(resolve));
// The modules' own set-up is one task, and the first screen three more:
// its parts, its buttons, its picture and readouts. The style holds the
// picture's place from the start, so that drawing it moves nothing.
await later();
startClock();
startTextBox();
startRefusal();
startCharset();
startListing();
startPicture();
startSelection();
await later();
startCommands();
await later();
startRulers();
startLayout();
refresh({ another: true });

// Input, links, tabs and the site's worker, none of which the first
// screen shows, each before a map is put in place, which they hear of.
for (const start of [startGestures, startClipboard, startSharing, startOpening, startNotes, startSite, startTabs]) {
  await later();
  start();
}
await later();
const kept = await startKeeping(said("save"));
const back = () => restore(kept, { opening: true });
// A link's map is looked at first; a reload draws as the tab did.
if (!(await openLink(back))) {
  back();
  resume();
}
document.body.dataset.ready = "yes";
