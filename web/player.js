// The player's controls over the running show: a bar of buttons and a timeline over the bottom of
// the canvas (HTML, never drawn into the picture), the end message, taps and double taps on the
// picture, the page's own keys, the volume and the Media Session. page.js starts the program and
// hands it over with QxPlayer.begin(); from then on one animation-frame loop reads the program's
// status record and touches the DOM only where a shown value changed.
//
// The program's interface: _qx_player_request(kind, value) queues a request (applied in order, one
// jump a frame); _qx_player_status() is the byte address of eight uint32 words (below);
// _qx_player_description() the address of a UTF-8 JSON text describing the show's rows and music
// orders. Music positions are ORDER x 256 + ROW; times are milliseconds of music.
'use strict';

const QxPlayer = (() => {
  const Request = { togglePause: 1, play: 2, pause: 3, nextRow: 4, previousRow: 5, seekTo: 6,
                    restart: 7 };
  const State = { notStarted: 0, playing: 1, paused: 2, ended: 3, preparing: 4 };
  // Words of the status record, in HEAPU32 from the record's address / 4.
  const Word = { state: 0, position: 1, row: 2, ms: 3, targetPosition: 4, targetMs: 5, frames: 6,
                 jumps: 7 };
  const hideAfterMs = 2500;    // without input while playing
  const doubleTapMs = 300;     // the longest pause between the taps of a double tap
  const tapSlopPx = 12;        // a touch that moves further is not a tap
  const pendingSeekMs = 5000;  // the longest a requested time is shown before the program's own
  const dragSlopPx = 4;        // a held pointer that moves further drags (else it clicks)
  const previewEveryMs = 150;  // while dragging, the picture follows at most this often
  const volumeKey = 'marrowtide.volume';
  const mutedKey = 'marrowtide.muted';
  const title = 'Marrowtide 2k - Tamberlinoth';

  const element = (id) => document.getElementById(id);
  const player = element('player');
  const bar = element('bar');
  const timeline = element('timeline');
  const track = element('track');
  const played = element('played');
  const thumb = element('thumb');
  const tip = element('tip');
  const ticks = element('ticks');
  const playButton = element('play');
  const muteButton = element('mute');
  const volumeSlider = element('volume');
  const fullButton = element('full');
  const timeText = element('time');
  const preparing = element('preparing');
  const endPanel = element('end');
  const againButton = element('again');
  const ripple = element('ripple');
  const toast = element('toast');
  const reduceSwitch = element('player-reduce');
  const canvas = element('canvas');

  let program = null;        // the Module while the show runs
  let statusWord = 0;        // the status record's index in HEAPU32
  let description = null;    // { endMs, rows: [{ name, position, ms, scene }], orders: [{ ms, rows }] }
  let hooks = {};            // from page.js: gain, reduceFlashing, storeReduceFlashing, reload
  let frameRequest = 0;
  let hideTimer = 0;
  let toastTimer = 0;
  let pointerOverBar = false;
  // While the timeline is held: { pointerId, ms, x, moved, row, previewAt }, row being the one
  // whose start the picture was last moved to.
  let dragging = null;
  let pending = null;        // { ms, jumps, until }: a requested time shown until its landing
  let lastTap = null;        // { at, third } of the last tap on the picture
  let tapTimer = 0;
  let touchStart = null;
  let lastPointerType = 'mouse';
  let trackWidth = 0;
  // What the DOM shows, so that each frame writes only what changed.
  const shown = { state: -1, second: -1, row: -1, playedPx: -1, hidden: null };

  // --- Time and music positions --------------------------------------------------------------

  function formatTime(ms) {
    const seconds = Math.floor(ms / 1000);
    return Math.floor(seconds / 60) + ':' + String(seconds % 60).padStart(2, '0');
  }

  function orderEndMs(order) {
    const orders = description.orders;
    return order + 1 < orders.length ? orders[order + 1].ms : description.endMs;
  }

  // The music position playing at `ms`: the order whose time span holds it, and the row within
  // it by the order's even row length. Clamped into the show.
  function positionAt(ms) {
    const orders = description.orders;
    const t = Math.min(Math.max(ms, 0), description.endMs - 1);
    let order = orders.length - 1;
    while (order > 0 && orders[order].ms > t) --order;
    const start = orders[order].ms;
    const length = Math.max(orderEndMs(order) - start, 1);
    const row = Math.min(orders[order].rows - 1,
                         Math.max(0, Math.floor((t - start) * orders[order].rows / length)));
    return (order << 8) | row;
  }

  // The music time at which a position begins.
  function timeOf(position) {
    const order = position >> 8;
    const orders = description.orders;
    if (order >= orders.length) return description.endMs;
    const start = orders[order].ms;
    return start + (position & 0xff) * (orderEndMs(order) - start) / orders[order].rows;
  }

  // The scene-table row playing at `ms`.
  function rowAt(ms) {
    const rows = description.rows;
    let row = rows.length - 1;
    while (row > 0 && rows[row].ms > ms) --row;
    return row;
  }

  // The first position past the show: where the order holding the show's end begins if the show
  // ends on an order boundary, else the position at the end.
  function endPosition(show = description) {
    const orders = show.orders;
    for (let order = 0; order < orders.length; ++order)
      if (orders[order].ms >= show.endMs) return order << 8;
    return orders.length << 8;
  }

  function readDescription(module) {
    if (typeof module._qx_player_description !== 'function') return null;
    try {
      const address = module._qx_player_description();
      if (!address) return null;
      let text;
      if (typeof module.UTF8ToString === 'function') {
        text = module.UTF8ToString(address);
      } else {
        const bytes = module.HEAPU8;
        let end = address;
        while (bytes[end] !== 0) ++end;
        text = new TextDecoder().decode(bytes.subarray(address, end));
      }
      const parsed = JSON.parse(text);
      if (!parsed.endMs || !parsed.rows || !parsed.rows.length || !parsed.orders ||
          !parsed.orders.length)
        return null;
      return parsed;
    } catch (error) {
      return null;
    }
  }

  // --- Requests -------------------------------------------------------------------------------

  function request(kind, value = 0) {
    if (program && typeof program._qx_player_request === 'function')
      program._qx_player_request(kind, value);
  }

  function status(word) {
    return program.HEAPU32[statusWord + word];
  }

  // A seek to the music position at `ms`; the time shown goes there at once.
  function seekToTime(ms) {
    if (!description) return;
    const position = positionAt(ms);
    request(Request.seekTo, position);
    pending = { ms: timeOf(position), jumps: status(Word.jumps),
                until: performance.now() + pendingSeekMs };
  }

  function seekToRow(row) {
    if (!description) return;
    const rows = description.rows;
    const target = rows[Math.min(Math.max(row, 0), rows.length - 1)];
    request(Request.seekTo, target.position);
    pending = { ms: target.ms, jumps: status(Word.jumps), until: performance.now() + pendingSeekMs };
  }

  // The row start nearest a tenth of the show (digit keys).
  function seekToTenth(tenth) {
    const target = description.endMs * tenth / 10;
    let best = 0;
    description.rows.forEach((row, i) => {
      if (Math.abs(row.ms - target) < Math.abs(description.rows[best].ms - target)) best = i;
    });
    seekToRow(best);
  }

  function togglePause() {
    const state = program ? status(Word.state) : State.notStarted;
    if (state === State.ended) watchAgain();
    else request(Request.togglePause);
  }

  // From the beginning in the running program, unless the reduce-flashing switch was changed
  // during the show: the program's setting is fixed at its start, so the page starts anew.
  function watchAgain() {
    if (reduceSwitch.checked !== hooks.reduceFlashing && hooks.reload) hooks.reload();
    else request(Request.restart);
  }

  // --- Showing and hiding the controls --------------------------------------------------------

  function setHidden(hidden) {
    if (shown.hidden === hidden) return;
    shown.hidden = hidden;
    player.classList.toggle('idle', hidden);
    document.body.classList.toggle('controls-hidden', hidden);
  }

  // While playing the controls go after a while without input, unless the pointer is over them,
  // the timeline is held or the keyboard's focus is in them.
  function hideLater() {
    clearTimeout(hideTimer);
    hideTimer = setTimeout(() => {
      if (!program) return;
      if (status(Word.state) !== State.playing || pointerOverBar || dragging ||
          bar.contains(document.activeElement))
        hideLater();
      else
        setHidden(true);
    }, hideAfterMs);
  }

  function showControls() {
    setHidden(false);
    hideLater();
  }

  function toggleControls() {
    if (shown.hidden || (program && status(Word.state) === State.ended)) showControls();
    else setHidden(true);
  }

  function say(text) {
    toast.textContent = text;
    toast.classList.add('shown');
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => toast.classList.remove('shown'), 2500);
    showControls();
  }

  function showRipple(direction) {
    ripple.textContent = direction > 0 ? 'Next row \u00bb' : '\u00ab Previous row';
    ripple.className = direction > 0 ? 'right' : 'left';
    ripple.hidden = false;
    void ripple.offsetWidth;  // restarts the fade when the last one is still running
    ripple.classList.add('fading');
    clearTimeout(showRipple.timer);
    showRipple.timer = setTimeout(() => { ripple.hidden = true; }, 700);
  }

  // --- The frame loop -------------------------------------------------------------------------

  function update() {
    frameRequest = requestAnimationFrame(update);
    const heap = program.HEAPU32;  // a new view whenever memory grew
    const state = heap[statusWord + Word.state];
    if (state === State.notStarted || (!description && !describe())) return;
    const jumps = heap[statusWord + Word.jumps];
    let ms = heap[statusWord + Word.ms];
    let row = heap[statusWord + Word.row];
    if (pending && (jumps !== pending.jumps || performance.now() > pending.until)) pending = null;
    if (dragging) {
      ms = dragging.ms;
      previewWhileDragging(performance.now());
    } else if (state === State.preparing) ms = heap[statusWord + Word.targetMs];
    else if (pending) ms = pending.ms;
    if (dragging || pending || state === State.preparing) row = rowAt(ms);

    if (state !== shown.state) showState(state);
    const second = Math.floor(ms / 1000);
    if (second !== shown.second || row !== shown.row) {
      if (second !== shown.second) timeText.textContent = formatTime(ms) + ' / ' + shown.endText;
      timeline.setAttribute('aria-valuenow', String(second));
      timeline.setAttribute('aria-valuetext',
                            formatTime(ms) + ', ' + (description.rows[row] || {}).name);
      shown.second = second;
      shown.row = row;
    }
    if (!shown.hidden) {
      const px = Math.round(Math.min(ms / description.endMs, 1) * trackWidth);
      if (px !== shown.playedPx) {
        played.style.transform = `scaleX(${trackWidth ? px / trackWidth : 0})`;
        thumb.style.transform = `translateX(${px}px)`;
        shown.playedPx = px;
      }
    }
  }

  function showState(state) {
    const was = shown.state;
    shown.state = state;
    const playing = state === State.playing || state === State.preparing;
    player.dataset.state = ['waiting', 'playing', 'paused', 'ended', 'preparing'][state] || '';
    playButton.setAttribute('aria-label', state === State.playing ? 'Pause' : 'Play');
    preparing.hidden = state !== State.preparing;
    endPanel.hidden = state !== State.ended;
    if ('mediaSession' in navigator)
      navigator.mediaSession.playbackState = playing ? 'playing' : 'paused';
    if (state === State.playing) {
      hideLater();
    } else {
      clearTimeout(hideTimer);
      setHidden(false);
    }
    if (state === State.ended && was !== State.ended &&
        (document.activeElement === document.body || document.activeElement === canvas))
      againButton.focus({ preventScroll: true });
  }

  // --- The timeline ---------------------------------------------------------------------------

  function drawTicks() {
    ticks.textContent = '';
    description.rows.forEach((row, i) => {
      if (i === 0) return;
      const tick = document.createElement('span');
      tick.className = row.scene ? 'tick scene' : 'tick';
      tick.style.left = (100 * row.ms / description.endMs) + '%';
      ticks.appendChild(tick);
    });
  }

  function measureTrack() {
    trackWidth = track.clientWidth;
    shown.playedPx = -1;
  }

  function timeAtPointer(event) {
    const box = track.getBoundingClientRect();
    const fraction = Math.min(Math.max((event.clientX - box.left) / Math.max(box.width, 1), 0), 1);
    return fraction * description.endMs;
  }

  function showTip(event, ms) {
    const box = timeline.getBoundingClientRect();
    tip.textContent = description.rows[rowAt(ms)].name + ' \u00b7 ' + formatTime(ms);
    tip.hidden = false;
    const half = tip.offsetWidth / 2;
    const x = Math.min(Math.max(event.clientX - box.left, half), box.width - half);
    tip.style.transform = `translateX(${x - half}px)`;
  }

  // Dragged along the timeline, the picture follows at row starts (each has its entry in the
  // seek index, so it lands at once), at most every previewEveryMs; the release lands exactly.
  // A click does not move it first.
  function previewWhileDragging(now) {
    if (!dragging.moved || now - dragging.previewAt < previewEveryMs) return;
    const row = rowAt(dragging.ms);
    if (row === dragging.row) return;
    dragging.row = row;
    dragging.previewAt = now;
    request(Request.seekTo, description.rows[row].position);
  }

  function setUpTimeline() {
    timeline.addEventListener('pointerdown', (event) => {
      if (!description || event.button !== 0) return;
      event.preventDefault();
      timeline.setPointerCapture(event.pointerId);
      dragging = { pointerId: event.pointerId, ms: timeAtPointer(event), x: event.clientX,
                   moved: false, row: status(Word.row), previewAt: 0 };
      player.classList.add('dragging');
      showTip(event, dragging.ms);
      showControls();
    });
    timeline.addEventListener('pointermove', (event) => {
      if (!description) return;
      if (dragging && event.pointerId === dragging.pointerId) {
        dragging.ms = timeAtPointer(event);
        if (Math.abs(event.clientX - dragging.x) > dragSlopPx) dragging.moved = true;
        showTip(event, dragging.ms);
      } else if (!dragging && event.pointerType === 'mouse') {
        showTip(event, timeAtPointer(event));
      }
    });
    const release = (event, seek) => {
      if (!dragging || event.pointerId !== dragging.pointerId) return;
      const ms = timeAtPointer(event);
      dragging = null;
      player.classList.remove('dragging');
      if (event.pointerType !== 'mouse') tip.hidden = true;
      if (seek) seekToTime(ms);
    };
    timeline.addEventListener('pointerup', (event) => release(event, true));
    timeline.addEventListener('pointercancel', (event) => release(event, false));
    timeline.addEventListener('pointerleave', () => { if (!dragging) tip.hidden = true; });
  }

  // Keys on the focused timeline: a row back or on, the show's first or last row.
  function timelineKey(event) {
    switch (event.key) {
      case 'ArrowRight': case 'ArrowUp': request(Request.nextRow); return true;
      case 'ArrowLeft': case 'ArrowDown': request(Request.previousRow); return true;
      case 'Home': seekToRow(0); return true;
      case 'End': seekToRow(description.rows.length - 1); return true;
      default: return false;
    }
  }

  // --- Keys -----------------------------------------------------------------------------------

  const sliderKeys = new Set(['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Home', 'End',
                              'PageUp', 'PageDown']);
  const activationKeys = new Set([' ', 'Enter']);

  // Keys that a focused control of the page acts on itself: kept from the program, which would
  // take them as its own (and keep the browser from activating the control).
  function ownedByControl(event) {
    const target = event.target;
    if (!(target instanceof Element) || !player.contains(target)) return false;
    if (target === volumeSlider && sliderKeys.has(event.key)) return true;
    // The timeline is no button: Space there pauses and plays on, as anywhere on the picture.
    return target !== timeline && activationKeys.has(event.key);
  }

  // The page's keys beside the program's: K pause, J and L a row back and on, M mute, F full
  // screen, 0 to 9 a tenth of the show.
  function pageKey(event) {
    const key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
    if (key === 'k') togglePause();
    else if (key === 'j') request(Request.previousRow);
    else if (key === 'l') request(Request.nextRow);
    else if (key === 'm') setMuted(!muted());
    else if (key === 'f') { if (!event.repeat) toggleFullScreen(); }
    else if (key >= '0' && key <= '9' && description) seekToTenth(Number(key));
    else return false;
    return true;
  }

  function setUpKeys() {
    window.addEventListener('keydown', (event) => {
      if (!program) return;
      if (!['Shift', 'Control', 'Alt', 'Meta'].includes(event.key)) showControls();
      if (event.ctrlKey || event.metaKey || event.altKey) return;
      // Tab moves the focus through the controls; the program has no use for it.
      if (event.key === 'Tab') {
        event.stopImmediatePropagation();
        return;
      }
      if (event.target === timeline && description && timelineKey(event)) {
        event.preventDefault();
        event.stopImmediatePropagation();
        return;
      }
      if (ownedByControl(event)) {
        event.stopImmediatePropagation();
        return;
      }
      if (pageKey(event)) {
        event.preventDefault();
        event.stopImmediatePropagation();
      }
    }, true);
    for (const type of ['keypress', 'keyup']) {
      window.addEventListener(type, (event) => {
        if (program && (event.key === 'Tab' || ownedByControl(event)))
          event.stopImmediatePropagation();
      }, true);
    }
  }

  // --- Pointer and touch on the picture -------------------------------------------------------

  function setUpPointer() {
    document.addEventListener('pointermove', (event) => {
      if (event.pointerType === 'mouse' && program) showControls();
    });
    bar.addEventListener('pointerenter', (event) => {
      if (event.pointerType === 'mouse') pointerOverBar = true;
    });
    bar.addEventListener('pointerleave', () => { pointerOverBar = false; });
    // Pointer releases inside the controls are the page's: the program ends the show on a right
    // button's release anywhere in the document.
    for (const part of [bar, endPanel])
      for (const type of ['mousedown', 'mouseup'])
        part.addEventListener(type, (event) => event.stopPropagation());
    bar.addEventListener('contextmenu', (event) => event.preventDefault());
    // A control clicked with the mouse leaves the keys with the program, not on itself (after
    // the click, which follows the release in the same task).
    for (const part of [bar, endPanel]) {
      part.addEventListener('pointerup', (event) => {
        if (event.pointerType !== 'mouse') return;
        setTimeout(() => {
          if (part.contains(document.activeElement)) canvas.focus({ preventScroll: true });
        }, 0);
      });
    }

    canvas.addEventListener('pointerdown', (event) => {
      lastPointerType = event.pointerType;
      if (event.pointerType === 'mouse') {
        if (program) showControls();
        return;
      }
      touchStart = { x: event.clientX, y: event.clientY, at: performance.now() };
    });
    // A tap shows or hides the controls; a double tap on the left or right third goes a row
    // back or on. Taps on the outer thirds wait to see whether a second one follows.
    canvas.addEventListener('pointerup', (event) => {
      if (event.pointerType === 'mouse' || !touchStart || !program) return;
      const moved = Math.hypot(event.clientX - touchStart.x, event.clientY - touchStart.y);
      const long = performance.now() - touchStart.at > 500;
      touchStart = null;
      if (moved > tapSlopPx || long) return;
      const width = window.innerWidth;
      const third = event.clientX < width / 3 ? -1 : event.clientX > width * 2 / 3 ? 1 : 0;
      const now = performance.now();
      if (third !== 0 && lastTap && lastTap.third === third && now - lastTap.at < doubleTapMs) {
        clearTimeout(tapTimer);
        lastTap = null;
        request(third > 0 ? Request.nextRow : Request.previousRow);
        showRipple(third);
        return;
      }
      lastTap = { at: now, third };
      clearTimeout(tapTimer);
      if (third === 0) toggleControls();
      else tapTimer = setTimeout(toggleControls, doubleTapMs);
    });
    canvas.addEventListener('dblclick', () => {
      if (lastPointerType === 'mouse') toggleFullScreen();
    });
  }

  // --- Full screen ----------------------------------------------------------------------------

  function toggleFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
      return;
    }
    const entered = document.documentElement.requestFullscreen({ navigationUI: 'hide' });
    entered.then(() => {
      // A phone turns the show on its side where the browser lets a page choose.
      if (screen.orientation && screen.orientation.lock && matchMedia('(pointer: coarse)').matches)
        screen.orientation.lock('landscape').catch(() => {});
    }).catch(() => {});
  }

  function showFullScreen() {
    const full = !!document.fullscreenElement;
    fullButton.setAttribute('aria-label', full ? 'Exit full screen' : 'Full screen');
    player.classList.toggle('full', full);
    requestAnimationFrame(measureTrack);
  }

  // --- Sound ----------------------------------------------------------------------------------

  function stored(key) {
    try {
      return localStorage.getItem(key);
    } catch (error) {
      return null;
    }
  }

  function store(key, value) {
    try {
      localStorage.setItem(key, value);
    } catch (error) {
      // Only for this page.
    }
  }

  function muted() {
    return player.classList.contains('muted');
  }

  // The gain follows the slider's square, nearer to how loudness is heard than the plain level.
  function applyVolume() {
    const level = muted() ? 0 : (Number(volumeSlider.value) / 100) ** 2;
    const gain = hooks.gain;
    if (gain) gain.gain.setTargetAtTime(level, gain.context.currentTime, 0.015);
  }

  function setMuted(on) {
    player.classList.toggle('muted', on);
    muteButton.setAttribute('aria-label', on ? 'Unmute' : 'Mute');
    store(mutedKey, String(on));
    applyVolume();
  }

  function setUpVolume() {
    const level = Number(stored(volumeKey));
    if (stored(volumeKey) !== null && level >= 0 && level <= 100) volumeSlider.value = String(level);
    setMuted(stored(mutedKey) === 'true');
    muteButton.addEventListener('click', () => {
      if (muted() || Number(volumeSlider.value) > 0) setMuted(!muted());
      else {
        volumeSlider.value = '50';
        store(volumeKey, volumeSlider.value);
        setMuted(false);
      }
    });
    volumeSlider.addEventListener('input', () => {
      store(volumeKey, volumeSlider.value);
      if (muted() !== (Number(volumeSlider.value) === 0)) setMuted(Number(volumeSlider.value) === 0);
      else applyVolume();
    });
  }

  // --- Sharing --------------------------------------------------------------------------------

  // This page's address starting at the position shown (or being sought), with the page's other
  // parameters; without ?frames, which would end the show at once.
  function shareAddress() {
    const state = status(Word.state);
    const position = status(state === State.preparing ? Word.targetPosition : Word.position);
    const parts = [];
    for (const [name, value] of new URLSearchParams(location.search)) {
      if (name === 'start' || name === 'frames' || name === 'reduce-flashing') continue;
      parts.push(value === '' ? name : name + '=' + encodeURIComponent(value));
    }
    if (hooks.reduceFlashing) parts.push('reduce-flashing');
    parts.unshift('start=' + (position >> 8) + ':' + (position & 0xff));
    return location.origin + location.pathname + '?' + parts.join('&');
  }

  // Copied through the Clipboard API, or through a selected text field where that is missing or
  // refused (pages not served over HTTPS).
  async function copyText(text) {
    try {
      await navigator.clipboard.writeText(text);
      return true;
    } catch (error) {
      const field = document.createElement('textarea');
      field.value = text;
      field.setAttribute('readonly', '');
      field.style.position = 'fixed';
      field.style.opacity = '0';
      document.body.appendChild(field);
      field.select();
      let copied = false;
      try {
        copied = document.execCommand('copy');
      } catch (ignored) {
        copied = false;
      }
      field.remove();
      return copied;
    }
  }

  async function share() {
    if (!program) return;
    const url = shareAddress();
    if (navigator.share && matchMedia('(pointer: coarse)').matches) {
      try {
        await navigator.share({ title, url });
        return;
      } catch (error) {
        if (error.name === 'AbortError') return;
      }
    }
    say((await copyText(url)) ? 'Link copied' : 'Link: ' + url);
  }

  // --- Media Session --------------------------------------------------------------------------

  function setUpMediaSession() {
    if (!('mediaSession' in navigator)) return;
    if (window.MediaMetadata) {
      navigator.mediaSession.metadata = new MediaMetadata({
        title, artist: 'Marrowtide 2k',
        artwork: [48, 128, 192, 256, 512].map((size) => ({
          src: `icons/marrowtide-${size}.png`, sizes: `${size}x${size}`, type: 'image/png' })),
      });
    }
    const handlers = {
      play: () => request(Request.play),
      pause: () => request(Request.pause),
      nexttrack: () => request(Request.nextRow),
      previoustrack: () => request(Request.previousRow),
      seekto: (details) => seekToTime(details.seekTime * 1000),
    };
    for (const [action, handler] of Object.entries(handlers)) {
      try {
        navigator.mediaSession.setActionHandler(action, handler);
      } catch (error) {
        // An action this browser does not know.
      }
    }
  }

  // --- Start and end --------------------------------------------------------------------------

  function setUpControls() {
    playButton.addEventListener('click', togglePause);
    element('previous').addEventListener('click', () => request(Request.previousRow));
    element('next').addEventListener('click', () => request(Request.nextRow));
    againButton.addEventListener('click', watchAgain);
    element('share').addEventListener('click', share);
    fullButton.addEventListener('click', toggleFullScreen);
    reduceSwitch.addEventListener('change', () => {
      if (hooks.storeReduceFlashing) hooks.storeReduceFlashing(reduceSwitch.checked);
      say(reduceSwitch.checked === hooks.reduceFlashing ? 'Reduce flashing as the show started'
        : 'Reduce flashing applies from the next start or Watch again');
    });
    player.addEventListener('focusin', showControls);
    document.addEventListener('fullscreenchange', showFullScreen);
    window.addEventListener('resize', measureTrack);
    setUpTimeline();
    setUpKeys();
    setUpPointer();
    setUpVolume();
  }

  // The show has started in `module`; `options`: gain (the GainNode the sound goes through),
  // reduceFlashing (as the show runs), storeReduceFlashing(on), reload() (a fresh start). The
  // controls come once the program describes its show (its music times are known once the music
  // is loaded). Returns false where the program offers no player interface.
  function begin(module, options) {
    hooks = options;
    reduceSwitch.checked = !!options.reduceFlashing;
    applyVolume();
    if (typeof module._qx_player_status !== 'function') return false;
    program = module;
    statusWord = module._qx_player_status() >> 2;
    setUpMediaSession();
    frameRequest = requestAnimationFrame(update);
    return true;
  }

  function describe() {
    description = readDescription(program);
    if (!description) return false;
    // The show's length to the nearest second (3:19 for 198.6 s); the time played counts whole
    // seconds.
    const length = Math.round(description.endMs / 1000) * 1000;
    shown.endText = formatTime(length);
    timeline.setAttribute('aria-valuemax', String(length / 1000));
    drawTicks();
    player.hidden = false;
    measureTrack();
    showControls();
    return true;
  }

  // The program has exited: its memory is no longer read.
  function end() {
    cancelAnimationFrame(frameRequest);
    clearTimeout(hideTimer);
    program = null;
    player.hidden = true;
    if ('mediaSession' in navigator) navigator.mediaSession.playbackState = 'none';
  }

  setUpControls();
  return { begin, end, toggleFullScreen, readDescription, positionAt, timeOf, endPosition,
           formatTime, description: () => description };
})();
