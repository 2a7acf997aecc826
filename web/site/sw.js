// Keeps the page working offline once it has been opened over http(s): its
// files come from this cache, filled when the service worker is installed.
// Built from web/site/sw.js: the cache's name changes with the files.
const cacheName = "kwvcard-@VERSION@";
const files = [@FILES@];
self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(files)).then(() => self.skipWaiting()));
});
self.addEventListener("activate", (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(
    names.filter((name) => name !== cacheName).map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});
self.addEventListener("fetch", (event) => {
  event.respondWith(caches.match(event.request, { ignoreSearch: true })
    .then((hit) => hit || fetch(event.request)));
});
