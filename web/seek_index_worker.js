// The seek index's worker (see seek_index.js): the page's program, a second time, offline. It
// posts every entry to the page as it is taken (platform/web_program.cpp) and its exit code when
// the whole index has been built.
'use strict';

self.onmessage = (event) => {
  const { wasm, archive, args } = event.data;
  let exited = false;
  const exit = (code) => {
    if (exited) return;
    exited = true;
    postMessage({ exit: code });
  };
  self.Module = {
    wasmBinary: wasm,
    noInitialRun: true,
    print: () => {},
    printErr: (text) => postMessage({ warning: text }),
    onExit: exit,
    onAbort: () => exit(1),
    onRuntimeInitialized: () => {
      self.Module.FS.writeFile('/QX_Marrowtide.archive', new Uint8Array(archive));
      const code = self.Module.callMain(args);
      if (typeof code === 'number') exit(code);
    },
  };
  importScripts('QX_Marrowtide.js');
};
