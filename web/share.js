// Sharing a map as a link: a map of up to 8 KiB, compressed, in the part
// of the address that browsers never send. Opening the link brings the map
// back; nothing is sent anywhere.
import { $, inflate } from "./page.js";
import { current, map, on, replace } from "./document.js";
import { hosted } from "./site.js";
import { grouped } from "./bytes.js";
import { setDrawing } from "./tools/drawing.js";

const SHARE_LIMIT = 8192;  // the largest map that goes into a link
// The longest a link's map can be: deflate's bound for SHARE_LIMIT bytes
// (zlib's compressBound), in base64url. A longer one is refused unread.
const PACKED_LIMIT = Math.ceil((SHARE_LIMIT + (SHARE_LIMIT >> 12) + (SHARE_LIMIT >> 14) + 13) * 4 / 3);
const tooLarge = `This link holds a map of more than ${SHARE_LIMIT / 1024} KiB: a link holds maps of up to ` +
  `${grouped(SHARE_LIMIT)} bytes, so it was not opened, and the map shown stays as it was.`;

const base64url = (bytes) => {
  let s = "";
  for (const b of bytes) s += String.fromCharCode(b);
  return btoa(s).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "");
};
const unbase64url = (text) => Uint8Array.from(atob(text.replace(/-/g, "+").replace(/_/g, "/")), (c) => c.charCodeAt(0));
const through = async (bytes, stream) =>
  new Uint8Array(await new Response(new Blob([bytes]).stream().pipeThrough(stream)).arrayBuffer());

export async function share() {
  current();
  if (map().bytes.length > SHARE_LIMIT) {
    $("shared").textContent = `Only maps of up to ${SHARE_LIMIT.toLocaleString("en")} bytes go into a link; ` +
      `this one holds ${map().bytes.length.toLocaleString("en")}.`;
    return;
  }
  const packed = await through(map().bytes, new CompressionStream("deflate-raw"));
  const link = `${location.href.split("#")[0]}#map=${base64url(packed)}&name=${encodeURIComponent(map().name)}`;
  Object.assign($("link"), { value: link, hidden: false });
  $("link").select();
  let copied = true;
  try {
    await navigator.clipboard.writeText(link);
  } catch {
    copied = false;
  }
  $("shared").textContent = `${copied ? "Link copied" : "Copy the link above"}. The map is in the link itself; ` +
    "opening it sends nothing anywhere." + (hosted ? "" : " But this page is a file on this computer, so the link " +
    "opens the map here only: hosted on a web server, as gridpin's README tells under \"Host it\", the page gives " +
    "links that open for anyone.");
}

// The map in the address, if it holds one: true when it holds one. A link
// holds a map of up to SHARE_LIMIT bytes: one holding more is refused as
// soon as that shows, its data inflated a few hundred bytes at a time (a
// link of a few kilobytes may inflate to gigabytes), and the map shown
// stays as it was, or, as the page opens, is the one it would show without
// the link: shown by instead, before the refusal is said.
export async function openLink(instead = () => {}) {
  const hash = location.hash, refuse = (why) => {
    instead();
    $("shared").textContent = why;
    return true;
  };
  // Longer than a link of the largest map and a long name: not parsed.
  if (hash.length > PACKED_LIMIT + 4096 && hash.startsWith("#map=")) return refuse(tooLarge);
  const params = new URLSearchParams(hash.slice(1));
  if (!params.has("map")) return false;
  const packed = params.get("map");
  if (packed.length > PACKED_LIMIT) return refuse(tooLarge);
  let bytes;
  try {
    bytes = await inflate([unbase64url(packed)], "deflate-raw", SHARE_LIMIT + 1, 256);
  } catch {
    return refuse("This link holds no map that can be read: it was not opened, and the map shown stays as it was.");
  }
  if (bytes.length > SHARE_LIMIT) return refuse(tooLarge);
  // Kept once it changes: until then the map kept before stays. Looked
  // at, not drawn on, until the user chooses to.
  replace(bytes, (params.get("name") || "map.map").slice(0, 255), "a link", { keep: false });
  setDrawing(false);
  return true;
}

export function startSharing() {
  window.addEventListener("hashchange", () => openLink());
  // A link made before is for the map as it was.
  const stale = () => {
    $("link").hidden = true;
    $("shared").textContent = "";
  };
  on("converted", stale);
  on("name", stale);
}
