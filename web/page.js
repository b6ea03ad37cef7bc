// The page around the program: checks what the browser offers, fetches the program and its
// archive with a progress bar, waits for a click (browsers start sound only after a gesture),
// puts the archive into the program's memory file system and starts it with the options given as
// URL parameters (?start=29:48, ?debug, ?fps=30, ?square-pixels, ?frames=N), then hands the running
// show to the player's controls (player.js). The program draws into the canvas, which fills the
// window. The cover warns of the show's flashing before the click and offers a switch for the
// reduced-flashing show (--reduce-flashing), remembered by the browser and turned on by
// ?reduce-flashing. Over http(s) a service worker keeps the site for visits without the network.
'use strict';

const programFiles = ['QX_Marrowtide.wasm', 'QX_Marrowtide.archive'];
const archivePath = '/QX_Marrowtide.archive';

const cover = document.getElementById('cover');
const status = document.getElementById('status');
const progress = document.getElementById('progress');
const startButton = document.getElementById('start');
const coverAgainButton = document.getElementById('cover-again');
const addressProblems = document.getElementById('address-problems');
const canvas = document.getElementById('canvas');
const reduceSwitch = document.getElementById('reduce');
const reduceKey = 'marrowtide.reduceFlashing';

function say(text, isError) {
  status.textContent = text;
  status.hidden = text === '';
  status.className = isError ? 'message' : '';
  if (isError) progress.hidden = true;
}

function storeReduceFlashing(on) {
  try {
    localStorage.setItem(reduceKey, String(on));
  } catch (error) {
    // Not remembered.
  }
}

// The first music position past the show: the end of the scene table's last row (37:0). The
// program describes its show only once it runs, too late for the start card.
const showEndPosition = 37 << 8;

// The address's start, fps and frames as the program reads them (host/command_line.cpp): a
// start position ORDER[:ROW], each decimal or 0x hexadecimal up to 255, before the show's end;
// fps a whole number from 0 to 1000; frames a whole number above 0. Returns the readable values
// and a line for each that is not.
function readAddress() {
  const query = new URLSearchParams(location.search);
  const values = {};
  const problems = [];
  const number = (text, maximum) => /^[0-9]+$/.test(text) && Number(text) <= maximum;
  const part = (text) => /^(0[xX][0-9a-fA-F]+|[0-9]+)$/.test(text) && Number(text) <= 255;
  const checks = {
    start: [(text) => {
      const [order, row = '0', extra] = text.split(':');
      if (extra !== undefined || !part(order) || !part(row)) return false;
      return Number(order) * 256 + Number(row) < showEndPosition;
    }, 'start needs ORDER[:ROW] before the end of the show, e.g. 29:48'],
    fps: [(text) => number(text, 1000), 'fps needs a whole number from 0 to 1000, e.g. 30'],
    frames: [(text) => number(text, 0xffffffff) && Number(text) > 0,
             'frames needs a whole number above 0, e.g. 600'],
  };
  for (const [name, [valid, need]] of Object.entries(checks)) {
    if (!query.has(name)) continue;
    const value = query.get(name);
    if (valid(value)) values[name] = value;
    else problems.push(`?${name}=${value}: ${need}; left out.`);
  }
  return { values, problems };
}

// The command line from the URL's readable parameters and the reduce-flashing switch as it is at
// the click. The program runs "windowed" in the canvas; full screen is the page's.
function commandLine(reduceFlashing, values) {
  const args = ['/w'];
  const query = new URLSearchParams(location.search);
  if (query.has('debug')) args.push('/debug');
  if (query.has('square-pixels')) args.push('--square-pixels');
  if (reduceFlashing) args.push('--reduce-flashing');
  for (const name of ['start', 'fps', 'frames'])
    if (values[name]) args.push('--' + name, values[name]);
  return args;
}

// This page again from the beginning, with the reduce-flashing switch as it is now.
function reloadFromStart() {
  const parts = [];
  for (const [name, value] of new URLSearchParams(location.search))
    if (!['start', 'frames', 'reduce-flashing'].includes(name))
      parts.push(value === '' ? name : name + '=' + encodeURIComponent(value));
  location.assign(location.pathname + (parts.length ? '?' + parts.join('&') : ''));
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
  reduceSwitch.addEventListener('change', () => storeReduceFlashing(reduceSwitch.checked));
}

// The sound goes through a gain the player's volume and mute act on: the audio context is made
// here, inside the click, and handed to SDL with the gain standing in for its destination.
function setUpSound() {
  const AudioContextClass = window.AudioContext || window.webkitAudioContext;
  const context = new AudioContextClass();
  const gain = context.createGain();
  gain.connect(context.destination);
  Object.defineProperty(context, 'destination', { value: gain });
  Module.SDL2 = { audioContext: context };
  return gain;
}

function whenEnded(code) {
  if (window.qxSeekIndex) window.qxSeekIndex.stop();
  QxPlayer.end();
  if (document.fullscreenElement) document.exitFullscreen();
  cover.hidden = false;
  startButton.hidden = true;
  progress.hidden = true;
  coverAgainButton.hidden = false;
  say(code === 0 ? 'The end.' : 'The show stopped (exit code ' + code + ').', code !== 0);
}

// The site for visits without the network (service_worker.js); the page works the same without.
function keepForOffline() {
  if (!('serviceWorker' in navigator) || !/^https?:$/.test(location.protocol)) return;
  try {
    navigator.serviceWorker.register('service_worker.js').catch(() => {});
  } catch (error) {
    // Not kept.
  }
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
  keepForOffline();
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

  const { values, problems } = readAddress();
  addressProblems.textContent = problems.join(' ');
  addressProblems.hidden = problems.length === 0;

  progress.hidden = true;
  say('');
  startButton.hidden = false;
  startButton.focus();
  startButton.addEventListener('click', () => {
    const reduceFlashing = reduceSwitch.checked;
    const gain = setUpSound();
    cover.hidden = true;
    addressProblems.hidden = true;
    canvas.focus();
    Module.FS.writeFile(archivePath, archive);
    const args = commandLine(reduceFlashing, values);
    Module.callMain(args);
    if (window.qxSeekIndex) window.qxSeekIndex.start(Module, { wasm, archive, args });
    archive = null;
    QxPlayer.begin(Module, { gain, reduceFlashing, storeReduceFlashing, reload: reloadFromStart });
  }, { once: true });
}

// F11 and Alt+Enter toggle the page's full screen, as the desktop's window does; the program
// does not see them (registered first, this listener runs before the program's).
window.addEventListener('keydown', (event) => {
  if (event.key === 'F11' || (event.key === 'Enter' && event.altKey)) {
    event.preventDefault();
    event.stopImmediatePropagation();
    if (!event.repeat) QxPlayer.toggleFullScreen();
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
coverAgainButton.addEventListener('click', reloadFromStart);
setUpReduceSwitch();
main();
