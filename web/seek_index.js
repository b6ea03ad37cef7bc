// The page's seek index, built off the page's thread: a worker runs a second instance of the
// program offline (--seek-index) with the page's options, and every entry it posts (a snapshot
// of the show at a row's or an order's start, with the song's timeline so far) is handed to the
// page's program, which checks and keeps it. Jumps anywhere then land at once, without the page
// playing the show ahead between its frames. Without workers, or when the worker fails, the
// program builds the index itself as before (while paused, and as far as a jump needs it).
'use strict';

window.qxSeekIndex = (() => {
  let worker = null;
  let program = null;

  // The page's options that shape the show's state; the rest (the start, a frame limit) are the
  // page's program's own.
  function workerArguments(args) {
    const kept = ['--headless', '--seek-index'];
    for (let i = 0; i < args.length; ++i) {
      if (args[i] === '--start' || args[i] === '--frames') {
        ++i;
        continue;
      }
      kept.push(args[i]);
    }
    return kept;
  }

  // Built here again: the worker has gone.
  function fallBack() {
    stop();
    if (program && typeof program._qx_seek_index_from_outside === 'function')
      program._qx_seek_index_from_outside(0);
  }

  function offer(bytes) {
    const at = program._malloc(bytes.length);
    if (!at) return fallBack();
    program.HEAPU8.set(bytes, at);
    program._qx_seek_index_offer(at, bytes.length);
    program._free(at);
  }

  function start(module, { wasm, archive, args }) {
    stop();
    if (typeof Worker !== 'function' || typeof module._qx_seek_index_offer !== 'function') return;
    program = module;
    try {
      worker = new Worker('seek_index_worker.js');
    } catch (error) {
      worker = null;
      return;
    }
    worker.onmessage = (event) => {
      const message = event.data;
      if (message.seekIndexEntry) offer(new Uint8Array(message.seekIndexEntry));
      else if (message.warning) console.warn('seek index: ' + message.warning);
      else if (message.exit !== undefined) {
        if (message.exit !== 0) fallBack();
        else stop();
      }
    };
    worker.onerror = (event) => {
      event.preventDefault();
      fallBack();
    };
    module._qx_seek_index_from_outside(1);
    // Copies: the page keeps its own bytes.
    const wasmCopy = new Uint8Array(wasm).buffer;
    const archiveCopy = new Uint8Array(archive).buffer;
    worker.postMessage({ wasm: wasmCopy, archive: archiveCopy, args: workerArguments(args) },
                       [wasmCopy, archiveCopy]);
  }

  function stop() {
    if (worker) worker.terminate();
    worker = null;
  }

  return { start, stop };
})();
