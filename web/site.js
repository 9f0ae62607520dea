// Hosted on a web server, the page is a site: its manifest lets a browser
// install it as an app, and its service worker keeps it for offline use.
// Opened from disk it is neither, and registers nothing.
export const hosted = location.protocol === "https:" || location.protocol === "http:";

export function startSite() {
  if (!hosted) return;
  const manifest = Object.assign(document.createElement("link"), { rel: "manifest", href: "manifest.webmanifest" });
  document.head.append(manifest);
  // A page hosted alone, without the site's other files, is still a page.
  navigator.serviceWorker?.register("sw.js").catch(() => {});
}
