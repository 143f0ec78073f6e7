'use strict';
// Keeps the page's files, so that a second visit loads and plays with the network off. Each
// build's files are a cache of their own, named by the version and a hash of the files
// (scripts/build-web.sh writes both in): a visit after a new build fetches its files whole, and
// the old cache goes.
const cacheName = 'gloopa-@BUILD@';
const files = ['./', './index.html', './gloopa.js', './gloopa.wasm', './gloopa.data',
               './manifest.webmanifest', './gloopa-128.png', './gloopa-256.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName)
                      .then((cache) => cache.addAll(files))
                      .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
                      .then((names) => Promise.all(names
                          .filter((name) => name.startsWith('gloopa-') && name !== cacheName)
                          .map((name) => caches.delete(name))))
                      .then(() => self.clients.claim()));
});

// The kept files from the cache (whatever the page's query asks of them), anything else, such as a
// demo fetched by path, from the network.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(cacheName).then((cache) =>
      cache.match(event.request, {ignoreSearch: true}).then((kept) => kept || fetch(event.request))));
});
