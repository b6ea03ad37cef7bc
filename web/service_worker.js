// The site kept for visits without the network. Each build has a cache of its own, named by a
// hash of the build's files, filled whole on install (all files or none) and the only one served
// from: a page never mixes two builds' program, archive and scripts. An older build's cache goes
// when this worker takes over. Requests for anything else go to the network as usual.
// The build writes the two lines below (web/service_worker.cmake); as written here they stand for
// a worker that keeps nothing.
'use strict';

const buildId = 'unbuilt';
const siteFiles = [];

const cacheName = 'marrowtide-' + buildId;

self.addEventListener('install', (event) => {
  if (siteFiles.length === 0) return;
  // Revalidated with the server, not taken from the HTTP cache unseen.
  event.waitUntil(caches.open(cacheName).then(
    (cache) => cache.addAll(siteFiles.map((name) => new Request(name, { cache: 'no-cache' })))));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(names
    .filter((name) => name.startsWith('marrowtide-') && name !== cacheName)
    .map((name) => caches.delete(name)))));
});

// The page's own files from this build's cache; a navigation with parameters (?start=29:48) is
// the page itself.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(request, { ignoreSearch: request.mode === 'navigate' }))
    .then((kept) => kept || fetch(request)));
});
