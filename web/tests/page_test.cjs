// The site in headless Chromium, driven by puppeteer-core: the page loads from a local server,
// starts after a click, plays at least 50 frames a second with the software renderer and nothing
// on standard error, waits in a background tab and goes on when it is back, pauses, jumps and
// plays on with the viewer's keys and offers the picture for F12 as a download, and its first picture
// after a start position is the native offline run's, to the last bit. Its cover warns of the
// flashing before the click, and the reduce-flashing switch (by keyboard or mouse, remembered over
// a reload, turned on by ?reduce-flashing) starts the reduced show, the native one to the last bit.
//   node page_test.cjs SITE_DIR PUPPETEER_DIR DIGEST_29_48 DIGEST_34 DIGEST_34_REDUCED
// DIGEST_29_48: `QX_Marrowtide --headless --square-pixels --start 29:48 --frames 1 --digest`'s
// first word; DIGEST_34 and DIGEST_34_REDUCED the same at --start 34 without and with
// --reduce-flashing. With QX_WEB_BENCH=1 it only measures frames a second and main-thread time a
// frame.
'use strict';

const http = require('http');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [siteDir, puppeteerDir, expectedDigest, plainDigest34, reducedDigest34] =
  process.argv.slice(2);
const puppeteer = require(path.join(puppeteerDir, 'node_modules', 'puppeteer-core'));
const benchOnly = process.env.QX_WEB_BENCH === '1';

const types = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.archive': 'application/octet-stream',
  '.grey': 'application/octet-stream',
};

function serve(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, name === '/' ? 'index.html' : name);
    if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    const body = fs.readFileSync(file);
    response.writeHead(200, {
      'Content-Type': types[path.extname(file)] || 'application/octet-stream',
      'Content-Length': body.length,
    });
    response.end(body);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Counts the pictures the program puts on its canvas and keeps a copy of the first one; keeps
// what the program writes on standard error.
function watchCanvas() {
  window.qxShown = 0;
  window.qxWarnings = [];
  const warn = console.warn;
  console.warn = (...text) => {
    window.qxWarnings.push(text.join(' '));
    warn.apply(console, text);
  };
  window.qxFirst = null;
  window.qxLast = 0;  // a sampled sum of the last picture put on the canvas
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (image, ...rest) {
    if (this.canvas.id === 'canvas') {
      if (window.qxShown++ === 0)
        window.qxFirst = { width: image.width, height: image.height, data: Array.from(image.data),
                           canvasWidth: this.canvas.width };
      let sum = 0;
      for (let i = 0; i < image.data.length; i += 97) sum = (sum * 31 + image.data[i]) | 0;
      window.qxLast = sum;
    }
    return put.call(this, image, ...rest);
  };
}

// A new page (in `where`, the browser or one of its contexts) at `query`, ready to start; started
// unless `start` is false.
async function open(where, query, width, height, start = true, pixelRatio = 1) {
  const page = await where.newPage();
  await page.setViewport(pixelRatio === 1 ? { width, height }
    : { width, height, deviceScaleFactor: pixelRatio, isMobile: true, hasTouch: true });
  await page.evaluateOnNewDocument(watchCanvas);
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(base + '/' + query);
  await page.waitForSelector('#start:not([hidden])', { timeout: 60000 });
  if (start) await page.click('#start');
  return { page, errors };
}

// FNV-1a over 0x00RRGGBB words, as --digest computes it, of the 320 x 200 picture shown at
// `factor` times its size with square pixels.
function digestOf(first, factor) {
  let digest = 0xcbf29ce484222325n;
  const prime = 0x100000001b3n;
  const mask = (1n << 64n) - 1n;
  for (let y = 0; y < 200; ++y) {
    for (let x = 0; x < 320; ++x) {
      const at = ((y * factor) * first.width + x * factor) * 4;
      const word = (first.data[at] << 16) | (first.data[at + 1] << 8) | first.data[at + 2];
      digest = ((digest ^ BigInt(word)) * prime) & mask;
    }
  }
  return digest.toString(16).padStart(16, '0');
}

// The digest of the first picture shown in a 960 x 600 canvas (three times, square pixels), or
// what is wrong.
async function firstDigest(page) {
  await page.waitForFunction(() => window.qxFirst !== null, { timeout: 60000 });
  const first = await page.evaluate(() => window.qxFirst);
  if (first.width !== 960 || first.height !== 600)
    return `a ${first.width} x ${first.height} canvas, not 960 x 600`;
  return digestOf(first, 3);
}

// Where the cover's warning, start button and switch are, what is focused and whether the show
// has begun.
function coverState() {
  const box = (id) => {
    const element = document.getElementById(id);
    const r = element.getBoundingClientRect();
    const style = getComputedStyle(element);
    return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width,
             height: r.height, shown: r.width > 0 && r.height > 0 && style.visibility === 'visible',
             outline: style.outlineStyle === 'none' ? 0 : parseFloat(style.outlineWidth) };
  };
  return {
    warning: box('warning'), start: box('start'), label: box('reduce-label'),
    warningText: document.getElementById('warning').textContent.replace(/\s+/g, ' '),
    coverShown: !document.getElementById('cover').hidden,
    focused: document.activeElement && document.activeElement.id,
    focusOutline: box('reduce').outline,
    on: document.getElementById('reduce').checked,
    role: document.getElementById('reduce').getAttribute('role'),
    stored: localStorage.getItem('marrowtide.reduceFlashing'),
    shown: window.qxShown,
    viewport: { width: innerWidth, height: innerHeight },
  };
}

// Boxes `a` and `b` overlap; box `a` lies within the viewport.
const overlap = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom &&
  b.top < a.bottom;
const inside = (a, viewport) => a.left >= 0 && a.top >= 0 && a.right <= viewport.width &&
  a.bottom <= viewport.height;

// The warning and the reduce-flashing switch. The first picture at order 34 is the rotozoom's
// last, under its black flicker (the water's first pass only enters its row), so the reduced show
// differs from the plain one there. Every case in a browser
// context of its own, as the switch is remembered.
// On a phone's screen (two device pixels to a CSS pixel, held upright) the picture spans the
// canvas's whole width, not only its upper left part.
async function checkPhoneScreen(browser, fail) {
  const { page, errors } = await open(browser, '?start=33&frames=1', 360, 640, true, 2);
  await page.waitForFunction(() => window.qxShown > 0, { timeout: 60000 });
  // The picture put on the canvas, its middle row's lit columns, against the canvas's own size.
  const span = await page.evaluate(() => {
    const { width, height, data, canvasWidth } = window.qxFirst;
    const row = Math.floor(height / 2) * width * 4;
    let left = -1, right = -1;
    for (let x = 0; x < width; ++x) {
      const i = row + x * 4;
      if (data[i] + data[i + 1] + data[i + 2] === 0) continue;
      if (left < 0) left = x;
      right = x;
    }
    return { left, right, canvas: canvasWidth };
  });
  if (span.left < 0 || span.right - span.left + 1 < 0.9 * span.canvas)
    fail(`on a phone the picture spans columns ${span.left}..${span.right} of ${span.canvas}`);
  else console.log('on a phone the picture spans the canvas\'s width');
  if (errors.length) fail('page errors on a phone: ' + errors.join('; '));
  await page.close();
}

async function checkReduceFlashing(browser, fail) {
  const flicker = '?start=34&frames=1&square-pixels';
  if (!plainDigest34 || plainDigest34 === reducedDigest34)
    throw new Error(`the native digests at 34 do not differ: ${plainDigest34} ${reducedDigest34}`);

  // On a phone and on a desktop, before the click: the warning, the start button and the switch
  // in view without overlapping; Tab from the start button reaches the switch with a visible
  // focus, Space and clicks turn it on and off without starting the show, and the last state is
  // remembered over a reload.
  let context = await browser.createBrowserContext();
  const { page, errors } = await open(context, flicker, 360, 640, false);
  const checkCover = async (size) => {
    const cover = await page.evaluate(coverState);
    if (!/flashing lights/.test(cover.warningText)) fail(`the warning says "${cover.warningText}"`);
    for (const name of ['warning', 'start', 'label'])
      if (!cover[name].shown || !inside(cover[name], cover.viewport))
        fail(`at ${size} the ${name} is not all in view: ${JSON.stringify(cover[name])}`);
    if (overlap(cover.start, cover.label) || overlap(cover.warning, cover.start) ||
        overlap(cover.warning, cover.label))
      fail(`at ${size} the warning, start and switch overlap: ${JSON.stringify(cover)}`);
    if (cover.label.width < 44 || cover.label.height < 44)
      fail(`the switch's target is ${cover.label.width} x ${cover.label.height}, under 44 x 44`);
    return cover;
  };
  let cover = await checkCover('360 x 640');
  if (cover.on || cover.role !== 'switch')
    fail(`the switch starts on ${cover.on}, role ${cover.role}`);
  if (cover.focused !== 'start') fail(`the start button is not focused but ${cover.focused}`);
  await page.keyboard.press('Tab');
  await page.keyboard.press('Space');
  cover = await page.evaluate(coverState);
  if (cover.focused !== 'reduce' || !cover.on || cover.focusOutline < 1)
    fail(`Tab and Space: focused ${cover.focused}, on ${cover.on}, outline ${cover.focusOutline}`);
  await page.click('#reduce-label');
  const afterOneClick = (await page.evaluate(coverState)).on;
  await page.click('#reduce');
  await new Promise((r) => setTimeout(r, 300));
  cover = await page.evaluate(coverState);
  if (afterOneClick || !cover.on)
    fail(`clicks on the switch: on ${afterOneClick}, then ${cover.on}`);
  if (!cover.coverShown || cover.shown !== 0) fail('the switch started the show');
  if (cover.stored !== 'true') fail(`the switch is stored as ${cover.stored}`);
  await page.reload();
  await page.waitForSelector('#start:not([hidden])', { timeout: 60000 });
  if (!(await page.evaluate(coverState)).on) fail('the switch is off again after a reload');
  await page.setViewport({ width: 960, height: 600 });
  await checkCover('960 x 600');
  await page.click('#start');
  const reduced = await firstDigest(page);
  if (reduced !== reducedDigest34)
    fail(`switch on: picture ${reduced}, native reduced ${reducedDigest34}, ` +
         `plain ${plainDigest34}`);
  else console.log(`the switch on: the first picture at 34 is the native reduced one (${reduced})`);
  if (errors.length) fail('page errors: ' + errors.join('; '));
  await context.close();

  // ?reduce-flashing turns the switch on in a browser that has no choice stored; the switch as it
  // is at the click decides: turned off, the show is the plain one.
  context = await browser.createBrowserContext();
  const linked = await open(context, flicker + '&reduce-flashing', 960, 600, false);
  if (!(await linked.page.evaluate(coverState)).on) fail('?reduce-flashing leaves the switch off');
  await linked.page.click('#reduce');
  await linked.page.click('#start');
  const plain = await firstDigest(linked.page);
  if (plain !== plainDigest34) fail(`switch off: picture ${plain}, native plain ${plainDigest34}`);
  await context.close();
}

let base;
(async () => {
  const server = await serve(path.resolve(siteDir));
  base = 'http://127.0.0.1:' + server.address().port;
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'qx-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
  let failed = false;
  const fail = (text) => {
    console.log('FAIL: ' + text);
    failed = true;
  };
  try {
    // Frames a second in a 960 x 720 window, over four seconds after the first second.
    const { page, errors } = await open(browser, '', 960, 720);
    await new Promise((r) => setTimeout(r, 1000));
    const before = await page.evaluate(() => window.qxShown);
    const metricsBefore = await page.metrics();
    await new Promise((r) => setTimeout(r, 4000));
    const after = await page.evaluate(() => window.qxShown);
    const metricsAfter = await page.metrics();
    const fps = (after - before) / 4;
    const frames = Math.max(after - before, 1);
    const msPerFrame = ((metricsAfter.TaskDuration - metricsBefore.TaskDuration) * 1000) / frames;
    console.log(`${fps.toFixed(1)} frames a second, ${msPerFrame.toFixed(2)} ms of main-thread ` +
                'work a frame, at 960 x 720');
    if (!benchOnly && fps < 50) fail(`only ${fps} frames a second`);

    // In a background tab the show waits, and it goes on when the tab is back.
    const other = await browser.newPage();
    await other.bringToFront();
    await new Promise((r) => setTimeout(r, 500));
    const hiddenFrom = await page.evaluate(() => window.qxShown);
    await new Promise((r) => setTimeout(r, 1500));
    const hiddenTo = await page.evaluate(() => window.qxShown);
    await page.bringToFront();
    await other.close();
    await new Promise((r) => setTimeout(r, 1000));
    const backTo = await page.evaluate(() => window.qxShown);
    if (!benchOnly && hiddenTo - hiddenFrom > 1)
      fail(`${hiddenTo - hiddenFrom} pictures shown in a background tab`);
    if (!benchOnly && backTo - hiddenTo < 30)
      fail(`only ${backTo - hiddenTo} pictures in the second after the tab came back`);
    // Space holds the picture and lets it go on; Right and Page Down jump; no key scrolls the
    // page.
    if (!benchOnly) {
      const pause = (ms) => new Promise((r) => setTimeout(r, ms));
      const last = () => page.evaluate(() => window.qxLast);
      await page.keyboard.press('Space');
      await pause(400);
      const held = await last();
      await pause(600);
      const stillHeld = await last();
      await page.keyboard.press('ArrowRight');
      await pause(400);
      const jumped = await last();
      await page.keyboard.press('PageDown');
      await page.keyboard.press('Space');
      await pause(400);
      const playing = await last();
      await pause(300);
      const playingOn = await last();
      const scrolled = await page.evaluate(() => window.scrollY + window.scrollX);
      // F12 offers the picture as a download.
      const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'qx-downloads-'));
      const session = await page.createCDPSession();
      await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
      await page.keyboard.press('F12');
      let saved = [];
      for (let waited = 0; waited < 3000 && !saved.some((n) => n.endsWith('.png')); waited += 100) {
        await pause(100);
        saved = fs.readdirSync(downloads);
      }
      const picture = saved.find((n) => /^marrowtide-[0-9A-F]{2}-[0-9A-F]{2}-[0-9]{6}\.png$/.test(n));
      if (!picture) fail(`F12 offered no picture (downloads: ${saved.join(', ') || 'none'})`);
      else if (fs.statSync(path.join(downloads, picture)).size < 1000)
        fail(`the picture ${picture} is only ${fs.statSync(path.join(downloads, picture)).size} bytes`);
      else console.log(`F12 offered ${picture}`);
      fs.rmSync(downloads, { recursive: true, force: true });
      if (held !== stillHeld) fail('the picture moved while paused');
      if (jumped === held) fail('Right showed no other picture');
      if (playing === playingOn) fail('the picture stood still after Space played on');
      if (scrolled !== 0) fail(`the keys scrolled the page by ${scrolled}`);
      console.log('Space, Right and Page Down pause, jump and play on');
      await page.evaluate(() => { window.qxWarnings = []; });  // F12's "picture saved" line
    }
    // F11 enters full screen; the first Escape only leaves it, the second ends the show.
    if (!benchOnly) {
      const state = () => page.evaluate(() => [!!document.fullscreenElement,
        document.getElementById('cover').hidden]);
      const pause = (ms) => new Promise((r) => setTimeout(r, ms));
      await page.keyboard.press('F11');
      await pause(300);
      const [full] = await state();
      await page.keyboard.press('Escape');
      await pause(700);
      const [fullAfterOne, playingAfterOne] = await state();
      await page.keyboard.press('Escape');
      await pause(700);
      const [, playingAfterTwo] = await state();
      if (!full || fullAfterOne || !playingAfterOne || playingAfterTwo)
        fail(`keys: F11 full ${full}; one Escape: full ${fullAfterOne}, playing ` +
             `${playingAfterOne}; two: playing ${playingAfterTwo}`);
    }
    const warnings = await page.evaluate(() => window.qxWarnings || []);
    if (warnings.length) fail('the program said: ' + warnings.join('; '));
    if (errors.length) fail('page errors: ' + errors.join('; '));
    await page.close();

    if (!benchOnly) {
      // The first picture after a start position, at exactly three times with square pixels.
      const shown = await open(browser, '?start=29:48&frames=1&square-pixels', 960, 600);
      const digest = await firstDigest(shown.page);
      if (digest !== expectedDigest) fail(`picture ${digest}, native offline ${expectedDigest}`);
      else console.log(`the first picture at 29:48 is the native one (${digest})`);
      // One frame asked for: the show ends by itself and the page says so.
      await shown.page.waitForFunction(() => !document.getElementById('cover').hidden,
                                       { timeout: 30000 });
      const said = await shown.page.$eval('#status', (e) => e.textContent);
      if (!said.startsWith('The end')) fail(`after the show the page says "${said}"`);
      if (shown.errors.length) fail('page errors: ' + shown.errors.join('; '));
      await shown.page.close();
      await checkReduceFlashing(browser, fail);
      await checkPhoneScreen(browser, fail);
    }
  } catch (error) {
    fail(error.stack || String(error));
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  process.exit(failed ? 1 : 0);
})();
