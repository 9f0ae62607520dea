// Sharing a map as a link: a map of up to 8 KiB, compressed, in the part
// of the address that browsers never send. Opening the link brings the map
// back; nothing is sent anywhere.
import { $, inflate } from "./page.js";
import { CAPACITY } from "./conversion.js";
import { current, map, on, replace } from "./document.js";
import { hosted } from "./site.js";

const SHARE_LIMIT = 8192;  // the largest map that goes into a link

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
  if (map.bytes.length > SHARE_LIMIT) {
    $("shared").textContent = `Only maps of up to ${SHARE_LIMIT.toLocaleString("en")} bytes go into a link; ` +
      `this one holds ${map.bytes.length.toLocaleString("en")}.`;
    return;
  }
  const packed = await through(map.bytes, new CompressionStream("deflate-raw"));
  const link = `${location.href.split("#")[0]}#map=${base64url(packed)}&name=${encodeURIComponent(map.name)}`;
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

// The map in the address, if it holds one: true when it does.
export async function openLink() {
  const params = new URLSearchParams(location.hash.slice(1));
  if (!params.has("map")) return false;
  try {
    // Read as a file is, to one byte past the largest map, and held as a
    // file cut short is where there is more: a link of a few kilobytes may
    // inflate to gigabytes.
    const read = await inflate([unbase64url(params.get("map"))], "deflate-raw", CAPACITY + 2);
    const bytes = read.subarray(0, CAPACITY + 1), more = read.length > bytes.length;
    // Kept once it changes: until then the map kept before stays.
    replace(bytes, params.get("name") || "map.map", "a link", { cut: more, keep: false });
  } catch {
    $("shared").textContent = "This link holds no map that can be read.";
  }
  return true;
}

export function startSharing() {
  window.addEventListener("hashchange", openLink);
  // A link made before is for the map as it was.
  on("updated", () => {
    $("link").hidden = true;
    $("shared").textContent = "";
  });
}
