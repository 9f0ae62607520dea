// Hosted on a web server, the page is a site: its manifest lets a browser
// install it as an app, and its service worker keeps it for offline use.
// Opened from disk it is neither, and registers nothing. A new version of
// the site, found by the worker, is offered; a reload brings it, never in
// the middle of a stroke, and the map drawn is kept before it goes.
import { $ } from "./page.js";
import { pressing } from "./tools/drawing.js";

export const hosted = location.protocol === "https:" || location.protocol === "http:";

function offer() {
  $("update").hidden = false;
}

export function startSite() {
  if (!hosted) return;
  const manifest = Object.assign(document.createElement("link"), { rel: "manifest", href: "manifest.webmanifest" });
  document.head.append(manifest);
  const workers = navigator.serviceWorker;
  // A page hosted alone, without the site's other files, is still a page.
  workers?.register("sw.js").catch(() => {});
  if (!workers) return;
  $("reload").addEventListener("click", function reload() {
    if (pressing()) addEventListener("pointerup", reload, { once: true });
    else location.reload();
  });
  // A new worker taking over a page it did not serve is a new version.
  let served = !!workers.controller;
  workers.addEventListener("controllerchange", () => {
    if (served) offer();
    served = true;
  });
  workers.addEventListener("message", (e) => e.data === "new version" && offer());
  // Whether the page changed on the host: when it opens, comes back into
  // view or back online.
  const check = () => workers.controller?.postMessage("check");
  workers.ready.then(check, () => {});
  document.addEventListener("visibilitychange", () => !document.hidden && check());
  addEventListener("online", check);
}
