// SPDX-License-Identifier: MIT
// The site's service worker: it keeps the site's files for offline use and
// serves them from its cache, so that after one visit the editor opens and
// works with no network. Each release has a cache of its own, named by its
// version: a new release's worker fills its cache, takes over at once and
// drops the old ones, and the page after the next reload is the new one.
const CACHE = "gridpin-@GRIDPIN_VERSION@";
const FILES = ["./", "index.html", "manifest.webmanifest", "icon.svg", "icon-192.png", "icon-512.png"];

self.addEventListener("install", (e) => {
  // Past the browser's own cache, so that a release never keeps another's files.
  e.waitUntil(caches.open(CACHE)
    .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: "reload" }))))
    .then(() => self.skipWaiting()));
});

self.addEventListener("activate", (e) => {
  e.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((key) => key.startsWith("gridpin-") && key !== CACHE).map((key) => caches.delete(key))))
    .then(() => self.clients.claim()));
});

// A map's link keeps the map after "#", which no request carries: every
// link of the site is one of these files.
self.addEventListener("fetch", (e) => {
  if (e.request.method !== "GET") return;
  e.respondWith(caches.open(CACHE).then((cache) => cache.match(e.request, { ignoreSearch: true }))
    .then((kept) => kept ?? fetch(e.request)));
});
