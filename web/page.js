// The page around the program: checks what the browser offers, fetches the program and its
// archive with a progress bar, waits for a click (browsers start sound only after a gesture),
// puts the archive into the program's memory file system and starts it with the options given as
// URL parameters (?start=29:48, ?debug, ?fps=30, ?square-pixels). The program draws into the
// canvas, which fills the window. The cover warns of the show's flashing before the click and
// offers a switch for the reduced-flashing show (--reduce-flashing), remembered by the browser and
// turned on by ?reduce-flashing.
'use strict';

const programFiles = ['QX_Marrowtide.wasm', 'QX_Marrowtide.archive'];
const archivePath = '/QX_Marrowtide.archive';

const cover = document.getElementById('cover');
const status = document.getElementById('status');
const progress = document.getElementById('progress');
const startButton = document.getElementById('start');
const fullScreenButton = document.getElementById('fullscreen');
const canvas = document.getElementById('canvas');
const reduceSwitch = document.getElementById('reduce');
const reduceKey = 'marrowtide.reduceFlashing';

function say(text, isError) {
  status.textContent = text;
  status.hidden = text === '';
  status.className = isError ? 'message' : '';
  if (isError) progress.hidden = true;
}

// The command line from the URL's parameters and the reduce-flashing switch as it is at the
// click. The program runs "windowed" in the canvas; full screen is the page's.
function commandLine(reduceFlashing) {
  const args = ['/w'];
  const query = new URLSearchParams(location.search);
  if (query.has('debug')) args.push('/debug');
  if (query.has('square-pixels')) args.push('--square-pixels');
  if (reduceFlashing) args.push('--reduce-flashing');
  for (const name of ['start', 'fps', 'frames']) {
    const value = query.get(name);
    if (value) args.push('--' + name, value);
  }
  return args;
}

// Every file fetched whole, with one progress bar over their combined size.
async function fetchAll(names) {
  const responses = await Promise.all(names.map((name) => fetch(name)));
  for (const [i, response] of responses.entries())
    if (!response.ok) throw new Error(names[i] + ': ' + response.status + ' ' + response.statusText);
  const sizes = responses.map((r) => Number(r.headers.get('Content-Length')) || 0);
  const total = sizes.reduce((a, b) => a + b, 0);
  let received = 0;
  return Promise.all(responses.map(async (response) => {
    const reader = response.body.getReader();
    const chunks = [];
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      received += value.length;
      if (total > 0) progress.value = Math.min(received / total, 1);
    }
    const bytes = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    return bytes;
  }));
}

// The title picture, 320 x 200 grey levels, fetched before the rest so that it shows at once.
async function showTitle() {
  try {
    const response = await fetch('title.grey');
    if (!response.ok) return;
    const grey = new Uint8Array(await response.arrayBuffer());
    const picture = document.getElementById('title');
    const context = picture.getContext('2d');
    const image = context.createImageData(picture.width, picture.height);
    for (let i = 0; i < grey.length && i * 4 < image.data.length; ++i) {
      image.data.set([grey[i], grey[i], grey[i], 255], i * 4);
    }
    context.putImageData(image, 0, 0);
  } catch (error) {
    // The cover works without its picture.
  }
}

// The switch starts as the viewer last left it in this browser, or on with ?reduce-flashing (which
// is not stored: only the viewer's own choice is). Storage may be missing or refused (private
// windows, pages opened from files); the switch then only lasts for the page.
function setUpReduceSwitch() {
  let stored = null;
  try {
    stored = localStorage.getItem(reduceKey);
  } catch (error) {
    // Not remembered.
  }
  reduceSwitch.checked = new URLSearchParams(location.search).has('reduce-flashing') ||
                         stored === 'true';
  reduceSwitch.addEventListener('change', () => {
    try {
      localStorage.setItem(reduceKey, String(reduceSwitch.checked));
    } catch (error) {
      // Not remembered.
    }
  });
}

function toggleFullScreen() {
  if (document.fullscreenElement) document.exitFullscreen();
  else document.documentElement.requestFullscreen().catch(() => {});
}

function whenEnded(code) {
  if (document.fullscreenElement) document.exitFullscreen();
  cover.hidden = false;
  fullScreenButton.hidden = true;
  startButton.hidden = true;
  progress.hidden = true;
  say(code === 0 ? 'The end. Reload the page to watch again.'
                 : 'The show stopped (exit code ' + code + ').', code !== 0);
}

async function main() {
  if (typeof WebAssembly !== 'object') {
    say('This browser cannot run WebAssembly, which the show needs.', true);
    return;
  }
  if (!(window.AudioContext || window.webkitAudioContext)) {
    say('This browser has no Web Audio, which the show needs for its music.', true);
    return;
  }
  showTitle();
  let wasm;
  let archive;
  try {
    [wasm, archive] = await fetchAll(programFiles);
  } catch (error) {
    say('The show could not be loaded: ' + error.message, true);
    return;
  }
  say('Preparing\u2026');
  const ready = new Promise((resolve) => {
    window.Module = {
      canvas,
      wasmBinary: wasm,
      noInitialRun: true,
      onRuntimeInitialized: resolve,
      onExit: whenEnded,
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
    };
  });
  const script = document.createElement('script');
  script.src = 'QX_Marrowtide.js';
  script.onerror = () => say('The show could not be loaded: QX_Marrowtide.js', true);
  document.body.appendChild(script);
  await ready;

  progress.hidden = true;
  say('');
  startButton.hidden = false;
  startButton.focus();
  startButton.addEventListener('click', () => {
    const reduceFlashing = reduceSwitch.checked;
    cover.hidden = true;
    fullScreenButton.hidden = false;
    canvas.focus();
    Module.FS.writeFile(archivePath, archive);
    archive = null;
    Module.callMain(commandLine(reduceFlashing));
  }, { once: true });
}

// F11 and Alt+Enter toggle the page's full screen, as the desktop's window does; the program
// does not see them (registered first, this listener runs before the program's).
window.addEventListener('keydown', (event) => {
  if (event.key === 'F11' || (event.key === 'Enter' && event.altKey)) {
    event.preventDefault();
    event.stopImmediatePropagation();
    if (!event.repeat) toggleFullScreen();
  }
}, true);
// Escape in full screen only leaves full screen; the next one reaches the program and ends the
// show. The browser may leave full screen on the key press itself and show the page only the
// release, which is then kept from the program too.
let escapeLeavesFullScreen = false;
let fullScreenLeftAt = -Infinity;
document.addEventListener('fullscreenchange', () => {
  if (!document.fullscreenElement) fullScreenLeftAt = performance.now();
});
window.addEventListener('keydown', (event) => {
  if (event.key !== 'Escape' || !document.fullscreenElement) return;
  escapeLeavesFullScreen = true;
  event.preventDefault();
  event.stopImmediatePropagation();
  document.exitFullscreen();
}, true);
window.addEventListener('keyup', (event) => {
  if (event.key !== 'Escape') return;
  if (escapeLeavesFullScreen || performance.now() - fullScreenLeftAt < 500) {
    escapeLeavesFullScreen = false;
    event.stopImmediatePropagation();
  }
}, true);
fullScreenButton.addEventListener('click', toggleFullScreen);
canvas.addEventListener('dblclick', toggleFullScreen);
setUpReduceSwitch();
main();
