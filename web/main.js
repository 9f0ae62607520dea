// The page, started: each part subscribes to what it shows, the commands
// take their buttons and keys, and the page opens with the map a link
// holds, or the one the browser kept, or an empty one.
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
import { startLayout } from "./layout.js";

startClock();
startTextBox();
startRefusal();
startCharset();
startListing();
startPicture();
startSelection();
startClipboard();
startGestures();
startCommands();
startRulers();
startLayout();
startSharing();
startOpening();
startNotes();
startSite();
startTabs();

refresh({ another: true });
const kept = await startKeeping(said("save"));
const back = () => restore(kept, { opening: true });
if (!(await openLink(back))) back();
document.body.dataset.ready = "yes";
