// The site in headless Chromium, driven by puppeteer-core: the page loads from a local server,
// starts after a click, plays at least 50 frames a second with the software renderer and nothing
// on standard error, waits in a background tab and goes on when it is back, pauses, jumps and
// plays on with the viewer's keys and offers the picture for F12 as a download, and its first picture
// after a start position is the native offline run's, to the last bit.
//   node page_test.cjs SITE_DIR PUPPETEER_DIR EXPECTED_DIGEST
// EXPECTED_DIGEST: `QX_Marrowtide --headless --square-pixels --start 29:48 --frames 1 --digest`'s
// first word. With QX_WEB_BENCH=1 it only measures frames a second and main-thread time a frame.
'use strict';

const http = require('http');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [siteDir, puppeteerDir, expectedDigest] = process.argv.slice(2);
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
        window.qxFirst = { width: image.width, height: image.height, data: Array.from(image.data) };
      let sum = 0;
      for (let i = 0; i < image.data.length; i += 97) sum = (sum * 31 + image.data[i]) | 0;
      window.qxLast = sum;
    }
    return put.call(this, image, ...rest);
  };
}

async function open(browser, query, width, height) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  await page.evaluateOnNewDocument(watchCanvas);
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(base + '/' + query);
  await page.waitForSelector('#start:not([hidden])', { timeout: 60000 });
  await page.click('#start');
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
      await shown.page.waitForFunction(() => window.qxFirst !== null, { timeout: 60000 });
      const first = await shown.page.evaluate(() => window.qxFirst);
      if (first.width !== 960 || first.height !== 600) {
        fail(`the canvas is ${first.width} x ${first.height}, not 960 x 600`);
      } else {
        const digest = digestOf(first, 3);
        if (digest !== expectedDigest) fail(`picture ${digest}, native offline ${expectedDigest}`);
        else console.log(`the first picture at 29:48 is the native one (${digest})`);
      }
      // One frame asked for: the show ends by itself and the page says so.
      await shown.page.waitForFunction(() => !document.getElementById('cover').hidden,
                                       { timeout: 30000 });
      const said = await shown.page.$eval('#status', (e) => e.textContent);
      if (!said.startsWith('The end')) fail(`after the show the page says "${said}"`);
      if (shown.errors.length) fail('page errors: ' + shown.errors.join('; '));
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
