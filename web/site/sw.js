// SPDX-License-Identifier: MIT
// The site's service worker: it keeps the site's files for offline use.
// The page itself is fetched afresh whenever the network answers, so that
// a change to it on the host, even one the host made by hand to
// index.html alone, reaches the next visit; it comes from the cache only
// offline, or while the network is slow, and a newer page that arrives
// after that is offered to the tabs open ("A new version … Reload"). The
// cache is named by the content of the site's files, so that a new build
// brings a new worker, which fills a cache of its own and drops the old.
const CACHE = "gridpin-@GRIDPIN_CONTENT@";
const FILES = ["./", "index.html", "manifest.webmanifest", "icon.svg", "icon-192.png", "icon-512.png"];
const SLOW = 3000;  // ms the network has to answer for the page before the cache does

self.addEventListener("install", (e) => {
  // Past the browser's own cache, so that a build never keeps another's files.
  e.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: "reload" }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener("activate", (e) => {
  e.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((key) => key.startsWith("gridpin-") && key !== CACHE).map((key) => caches.delete(key))))
    .then(() => self.clients.claim()));
});

const same = (a, b) => a.byteLength === b.byteLength && new Uint8Array(a).every((v, i) => v === new Uint8Array(b)[i]);

// The page from the network, put in the cache where it differs from the
// one kept there: true when it did.
async function refresh(request) {
  const response = await fetch(request, { cache: "no-cache" });
  if (!response.ok) return { response, changed: false };
  const cache = await caches.open(CACHE), kept = await cache.match("index.html");
  const body = await response.clone().arrayBuffer();
  const changed = !kept || !same(body, await kept.arrayBuffer());
  if (changed) await Promise.all(["./", "index.html"].map((key) => cache.put(key, response.clone())));
  return { response, changed };
}

const tell = async () => {
  for (const client of await self.clients.matchAll({ type: "window" })) client.postMessage("new version");
};

// A map's link keeps the map after "#", which no request carries: every
// link of the site is one of these files.
self.addEventListener("fetch", (e) => {
  if (e.request.method !== "GET") return;
  const cached = () => caches.open(CACHE).then((cache) => cache.match(e.request, { ignoreSearch: true }));
  if (e.request.mode !== "navigate") {
    e.respondWith(cached().then((kept) => kept ?? fetch(e.request)));
    return;
  }
  let late = false;
  const fresh = refresh(e.request);
  e.waitUntil(fresh.then(({ changed }) => late && changed && tell(), () => {}));
  e.respondWith(new Promise((resolve, reject) => {
    const fallback = () => cached().then((kept) => kept ? resolve(kept) : fresh.then(({ response }) => resolve(response), reject));
    const timer = setTimeout(() => { late = true; fallback(); }, SLOW);
    fresh.then(({ response }) => { clearTimeout(timer); resolve(response); }, () => { clearTimeout(timer); late = true; fallback(); });
  }));
});

// A tab asks whether the page changed on the host since it was shown.
self.addEventListener("message", (e) => {
  if (e.data !== "check") return;
  e.waitUntil(refresh(new Request("index.html")).then(({ changed }) => changed && e.source?.postMessage("new version"), () => {}));
});
