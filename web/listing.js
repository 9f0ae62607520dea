// The listing: its first lines, its size, and Download, which saves the
// bytes the tool writes for the map, with the line ends the visitor picks.
import { $, count, decoder, save, stem } from "./page.js";
import { current, map, on } from "./document.js";

const PREVIEW = 100;  // listing lines shown

export const crlf = () => document.querySelector('input[name="ends"]:checked').value === "crlf";
const length = (out) => out.listing.length + (crlf() ? out.points + 1 : 0);

function showListing(out) {
  $("download").disabled = $("copy-listing").disabled = out.refused;
  if (out.refused) {
    $("points").textContent = "No listing: the map is refused.";
    $("listing").textContent = "";
    $("more").textContent = "";
    return;
  }
  const lines = out.points + 1;
  let end = 0;
  for (let i = 0; i < PREVIEW && end < out.listing.length; i++) end = out.listing.indexOf(10, end) + 1;
  $("listing").textContent = decoder.decode(out.listing.subarray(0, end));
  $("points").textContent = `${count(out.points, "point")}, ${count(length(out), "byte")}.`;
  $("more").textContent = lines > PREVIEW ? `and ${count(lines - PREVIEW, "more line")}.` : "";
}

// The bytes the tool writes: on Windows its text-mode stream puts a
// carriage return before every line feed.
function listingBytes(out) {
  const lf = out.listing;
  if (!crlf()) return lf.slice();
  const bytes = new Uint8Array(length(out));
  let j = 0;
  for (let i = 0; i < lf.length; i++) {
    if (lf[i] === 10) bytes[j++] = 13;
    bytes[j++] = lf[i];
  }
  return bytes;
}

// The listing through the clipboard, as text, byte for byte as Download
// saves it.
export async function copyListing() {
  const out = current();
  if (out.refused) return;
  try {
    await navigator.clipboard.writeText(decoder.decode(listingBytes(out)));
    $("shared").textContent = `Listing copied: ${count(out.points, "point")}.`;
  } catch {
    $("shared").textContent = "The browser did not take the listing: Download saves it.";
  }
}

// The listing of the map as it is: room.map gives room.lst.
export function download() {
  save(listingBytes(current()), (stem(map().name) || "map") + ".lst");
}

// The line ends of the visitor's system, to begin with.
export function startListing() {
  const windows = /^win/i.test(navigator.userAgentData?.platform ?? navigator.platform);
  document.querySelector(`input[name="ends"][value="${windows ? "crlf" : "lf"}"]`).checked = true;
  document.querySelectorAll('input[name="ends"]').forEach((r) => r.addEventListener("change", () => showListing(current())));
  on("converted", ({ out }) => showListing(out));
}
