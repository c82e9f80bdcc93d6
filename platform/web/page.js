// The page around the show: loads the program and its data once, has the
// music decoded by the program's own decoder, shows the title art with a play
// button, and runs a fresh instance of the program for every play, so each
// play starts from the very state a native start has. An instance loads the
// show (pictures, tables) while the page waits, so pressing play starts it at
// once.
//
// Sound needs a gesture (a click, a tap, Enter or Space), and may not come at
// all (no output device, a browser's policy, a phone call): the show never
// waits for it for long. The program's clock follows what of the music is
// heard (sound.heard), so the show stands still while the output is stopped
// under it; without sound the show plays on its clock alone and a tap brings
// the music in where the show is.
//
// What tests read: <html data-show> is "loading", "ready", "starting" or
// "playing"; <html data-sound> is "music" (heard), "silent" (the output would
// not start), "paused" (the output stopped under the show) or "none" (nothing
// to hear); sound.lastHeard is the music's position last told the show (NaN:
// none) with the performance.now() reading it was for, and the playing
// instance's _varno_demo_time(at) the show's demo time at such a reading; pictureBox() is the layout rule; #t=SECONDS
// starts at a moment.
'use strict';

const root = document.documentElement;
const stage = document.getElementById('stage');
const canvas = document.getElementById('screen');
const start = document.getElementById('start');
const art = document.getElementById('art');
const panel = document.getElementById('panel');
const progress = document.getElementById('progress');
const playButton = document.getElementById('play');
const status = document.getElementById('status');
const gentle = document.getElementById('gentle');
const notice = document.getElementById('notice');
const stopButton = document.getElementById('stop');

// Fetched once and handed to every instance: the program compiled once, so
// that code the browser has optimised in one play serves the next.
let program = null;
let dataPackage = null;

let next = null;      // an instance loaded and waiting for play
let playing = null;   // the instance on the canvas
let starting = false; // play pressed, the output given a moment to start
let loads = 0;        // instances asked for; only the last one asked for plays
let loaded = false;   // the program, its data and the music are all here

// Where the viewer's input comes from: touch screens get tap wording and a
// stop button, since a phone has no Escape key.
let lastPointer = matchMedia('(any-pointer: coarse)').matches ? 'touch' : 'mouse';
const touchScreen = () => lastPointer === 'touch';

// An iPhone mutes Web Audio with its silent switch unless told this is playback.
if (navigator.audioSession)
  navigator.audioSession.type = 'playback';

// ---- Sound ----

// A source starts this many seconds after the context's time when it is
// asked for, and two of the context's batches (its base latency) more
// (startTime): a start in the past (the context may have rendered a batch or
// so past the time it shows) would come late by an unknown amount, for good.
const startLead = 0.05;

// The Web Audio context (made at the first gesture), the music buffers the
// program decoded, by the path the program opens them by, and what plays.
// The program's mixer calls play, pause, resume, stop and, every frame, heard.
const sound = {
  context: null,
  buffers: {},
  decodeMs: null,   // how long the music took to decode, for the curious
  music: null,      // the buffer the show plays, or null
  paused: false,    // the show paused it
  pausedAt: null,   // where it stood then, in seconds, if it was heard
  source: null,     // the node it is heard through, while heard
  startedAt: 0,     // the context time the source plays from offset at
  offset: 0,        // where in the music the source starts, in seconds
  lastHeard: null,  // { at, ms }: the position last told the show, and its moment

  play(path, seconds) {
    this.music = this.buffers[path] || null;
    this.paused = false;
    silence();
    if (this.music && outputRuns())
      startMusic(seconds);
    setSound(this.source ? 'music' : this.music ? 'silent' : 'none');
  },
  pause() {
    if (!this.music || this.paused)
      return;
    this.paused = true;
    this.pausedAt = this.source ? musicMs(this.context.currentTime) / 1000 : null;
    silence();
  },
  resume() {
    if (!this.paused)
      return;
    this.paused = false;
    if (this.pausedAt !== null && outputRuns())
      startMusic(this.pausedAt);
  },
  stop() {
    silence();
    this.music = null;
    this.paused = false;
  },
  // The music's position, in ms from its start, that reaches the listener at
  // performance.now() reading `at` (a frame ahead: when the frame drawn now
  // is seen), never past what the context has rendered; before the first
  // sample is heard it lies before where play started. While the output is
  // stopped under the show it stays where it was last heard, so that the
  // show stands still. NaN when nothing is to be heard: no music, no output,
  // the music paused or over; the show then runs on its own clock.
  heard(at) {
    const c = this.context;
    let ms = NaN;
    if (this.source) {
      if (c.state !== 'running')
        ms = this.lastHeard ? this.lastHeard.ms : musicMs(c.currentTime - outputDelay(c));
      else
        ms = musicMs(Math.min(contextTimeHeard(c, at), c.currentTime));
      if (ms >= 1000 * this.music.duration)
        ms = NaN;
    }
    this.lastHeard = { at: at, ms: ms };
    return ms;
  },
};

function outputRuns() {
  return !!sound.context && sound.context.state === 'running';
}

// What the context says lies between its time and the listener, in seconds.
function outputDelay(c) {
  return (c.baseLatency || 0) + (c.outputLatency || 0);
}

// The context time reaching the listener at performance.now() reading `at`:
// from the output's own timestamp of what it played when, read afresh, or
// where a browser has none (older Safari) or none to believe, from the
// context's time less the latency it reports now. A timestamp is believed
// once the output has started (before, Chromium's are 0) and while it tells
// of a moment already come, give or take stampSlackMs (a browser's coarse
// clock): WebKitGTK's run ahead, at twice the rate of the clock.
const stampSlackMs = 20;
function contextTimeHeard(c, at) {
  const now = performance.now();
  const stamp = c.getOutputTimestamp ? c.getOutputTimestamp() : null;
  if (stamp && stamp.performanceTime > 0 && stamp.performanceTime <= now + stampSlackMs)
    return stamp.contextTime + (at - stamp.performanceTime) / 1000;
  return c.currentTime - outputDelay(c) + (at - now) / 1000;
}

// Where in the music, in ms, the playing source is at context time t.
function musicMs(t) {
  return 1000 * (sound.offset + t - sound.startedAt);
}

// The context time a source asked for now starts at.
function startTime(c) {
  return c.currentTime + startLead + 2 * (c.baseLatency || 0);
}

// Starts the music at `seconds` into it, a moment from now (startTime).
function startMusic(seconds) {
  silence();
  const c = sound.context;
  if (seconds >= sound.music.duration)
    return;
  const source = c.createBufferSource();
  source.buffer = sound.music;
  source.connect(c.destination);
  sound.startedAt = startTime(c);
  sound.offset = seconds;
  source.start(sound.startedAt, seconds);
  sound.source = source;
}

// The music brought in under a show that went on without it: started where
// the show will be when its first sample is heard, so that the picture goes
// on as it was and the music meets it there.
function bringMusicIn() {
  const c = sound.context;
  const now = performance.now();
  const firstHeard = now + 1000 * (startTime(c) - contextTimeHeard(c, now));
  startMusic(Math.max(0, playing._varno_demo_time(firstHeard)) / 1000);
}

function silence() {
  if (sound.source)
    sound.source.stop();
  sound.source = null;
  sound.lastHeard = null;
}

function setSound(state) {
  root.dataset.sound = state;
  if (state === 'silent')
    tell((touchScreen() ? 'No sound: tap' : 'No sound: click') + ' for sound', 6000);
  else if (state === 'paused')
    tell(touchScreen() ? 'Paused: tap to go on' : 'Paused: click to go on');
  else
    tell(null);
}

// The context, made and started within a gesture, as browsers require.
function wakeSound() {
  if (!sound.context) {
    try {
      sound.context = new AudioContext();
    } catch (e) {
      return null;  // no Web Audio here: the show plays silently
    }
    sound.context.addEventListener('statechange', outputChanged);
  }
  // A context that cannot start (no output device) may leave this unsettled.
  sound.context.resume().then(outputChanged, () => {});
  return sound.context;
}

// Resolves to true once the context runs, or to false after ms.
function whenRunning(c, ms) {
  return new Promise((done) => {
    if (!c)
      return done(false);
    const check = () => {
      if (c.state !== 'running')
        return;
      clearTimeout(timer);
      c.removeEventListener('statechange', check);
      done(true);
    };
    const timer = setTimeout(() => {
      c.removeEventListener('statechange', check);
      done(c.state === 'running');
    }, ms);
    c.addEventListener('statechange', check);
    check();
  });
}

// The output started or stopped under the show: a phone call, a hidden tab on
// a phone, the system taking the output. While it is stopped the music stands
// where it was heard last, and the show with it (sound.heard); when it runs
// again both go on from there. A show that went on without its music has it
// brought in where the show is.
function outputChanged() {
  if (!playing || !sound.music || sound.paused)
    return;
  const state = root.dataset.sound;
  if (sound.context.state === 'running') {
    if (state !== 'music') {
      if (!sound.source)
        bringMusicIn();
      setSound('music');
    }
  } else if (state === 'music') {
    setSound('paused');
  }
}

// A gesture during a show without its music: the output is asked again; one
// that still does not start within a second leaves the show going on silently.
function askForSound() {
  const state = root.dataset.sound;
  if (state !== 'silent' && state !== 'paused')
    return;
  whenRunning(wakeSound(), 1000).then((running) => {
    if (running)
      outputChanged();
    else if (playing && root.dataset.sound === 'paused') {
      silence();  // the show goes on without it, to bring it in where it is then
      setSound('silent');
    }
  });
}

// ---- The line over the show ----

let noticeTimer = 0;

// Shows text in the line above the picture (on it where there is no room
// above) for ms, or until the next call; null hides it.
function tell(text, ms) {
  clearTimeout(noticeTimer);
  notice.hidden = !text;
  const line = document.createElement('span');
  line.textContent = text || '';
  notice.replaceChildren(line);
  if (text && ms)
    noticeTimer = setTimeout(() => { notice.hidden = true; }, ms);
  layout();
}

// ---- Loading ----

// Fetches a file, adding its bytes to the progress bar as they come.
async function fetchBytes(url, received) {
  const response = await fetch(url);
  if (!response.ok)
    throw new Error(url + ': ' + response.status + ' ' + response.statusText);
  const reader = response.body.getReader();
  const parts = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done)
      break;
    parts.push(value);
    size += value.length;
    received(value.length);
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const p of parts) {
    bytes.set(p, at);
    at += p.length;
  }
  return bytes.buffer;
}

// The sizes, for the bar, before the bodies come in.
async function sizeOf(url) {
  const response = await fetch(url, { method: 'HEAD' });
  return Number(response.headers.get('Content-Length')) || 0;
}

// An instance of the program over the data, its runtime started, its main
// not yet run; more is what the instance is told besides.
function instance(more) {
  return VarnoStyle(Object.assign({
    instantiateWasm: (imports, done) => {
      WebAssembly.instantiate(program, imports).then((i) => done(i, program));
      return {};
    },
    getPreloadedPackage: () => dataPackage,
    varnoSound: sound,
  }, more));
}

// A fresh instance, its program started (from the link's moment, if any) and
// loaded up to the moment it waits for play. A moment the program refuses
// (past the show's end) is dropped, and the show loads from its start.
function loadShow() {
  return new Promise((ready) => {
    let m;
    let waiting = false;
    instance({
      canvas: canvas,
      onShowReady: () => {
        waiting = true;
        ready(m);
      },
      onShowEnd: stopped,
    }).then((made) => {
      m = made;
      const t = askedMoment();
      const args = t === null ? [] : ['--from', t];
      m.callMain(gentle.checked ? args.concat('--gentle') : args);
      if (!waiting && t !== null) {
        dropMoment();
        loadShow().then(ready);
      }
    });
  });
}

// The music, decoded by an instance of its own: a file that cannot be
// decoded, however it fails, costs only that instance, and the show then
// plays silently, saying so itself. Returns that instance, for the art.
async function decodeMusic() {
  const m = await instance({ printErr: (text) => console.log(text) });
  const began = performance.now();
  for (const name of m.FS.readdir('/data')) {
    if (!name.endsWith('.ogg'))
      continue;
    try {
      m.ccall('varno_decode_music', null, ['string'], ['data/' + name]);
    } catch (e) {
      console.log('data/' + name + ': ' + e.message);
    }
  }
  if (Object.values(sound.buffers).some((b) => b)) {
    sound.decodeMs = Math.round(performance.now() - began);
    console.info('Music decoded in ' + sound.decodeMs + ' ms');
  }
  return m;
}

// The moment a link asks for, #t=SECONDS; null when none.
function askedMoment() {
  const m = /^#t=([0-9]+(?:\.[0-9]*)?)$/.exec(location.hash);
  return m ? m[1] : null;
}

function dropMoment() {
  if (location.hash)
    history.replaceState(null, '', location.pathname + location.search);
}

// The next instance, made afresh; resolves to it once it waits for play.
function prepare() {
  const mine = ++loads;
  next = null;
  return loadShow().then((m) => {
    if (mine === loads)
      next = m;
    return m;
  });
}

// The waiting show, loaded again when what it was started with changed.
function reload() {
  if (!playing && !starting)
    prepare();
}

// ---- Playing and stopping ----

// Play pressed: the output is started within the gesture and given up to a
// second, so that the music's first sample and the show start together;
// without it the show starts silently.
async function play() {
  if (!loaded || playing || starting || !next)
    return;
  starting = true;
  root.dataset.show = 'starting';
  await whenRunning(wakeSound(), 1000);
  starting = false;
  playing = next;
  next = null;
  // The link's moment is for its first play; the play button then starts over.
  dropMoment();
  start.hidden = true;
  canvas.hidden = false;
  stopButton.hidden = !touchScreen();
  root.dataset.show = 'playing';
  setSound('none');
  playing._varno_play();
  keepScreenOn();
}

function quit() {
  if (playing)
    playing._varno_request_quit();
}

// The show ended or was stopped: back to the play button, with a fresh
// instance for the next play.
function stopped() {
  playing = null;
  setSound('none');
  letScreenSleep();
  // The output rests until the next play.
  if (sound.context && sound.context.state === 'running')
    sound.context.suspend();
  canvas.hidden = true;
  stopButton.hidden = true;
  start.hidden = false;
  root.dataset.show = 'ready';
  playButton.focus();
  prepare();
}

// ---- The screen kept on while the show plays ----

let wakeLock = null;

function keepScreenOn() {
  if (!navigator.wakeLock || !playing || document.hidden || wakeLock)
    return;
  navigator.wakeLock.request('screen').then((lock) => {
    wakeLock = lock;
    // The browser lets it go when the page is hidden.
    lock.addEventListener('release', () => { wakeLock = null; });
    if (!playing)
      letScreenSleep();
  }, () => {});
}

function letScreenSleep() {
  if (wakeLock)
    wakeLock.release().catch(() => {});
  wakeLock = null;
}

document.addEventListener('visibilitychange', () => {
  if (document.hidden || !playing)
    return;
  keepScreenOn();
  // Back from a call or another app: the output may start again by itself.
  if (root.dataset.sound === 'paused' && sound.context)
    sound.context.resume().then(outputChanged, () => {});
});

// ---- Layout ----

// The show's size in its own pixels, which the page's canvas is made with.
const showWidth = canvas.width;
const showHeight = canvas.height;

// Where the show's picture goes in a view of width x height CSS pixels at
// ratio device pixels to a CSS pixel: in its own shape, centred. Upright (a
// phone held upright) it spans the width. Otherwise each show pixel is a whole number of
// device pixels, sharp and even, when that gives at least seven eighths of
// the largest picture that fits (a 1920x1080 screen: 1280x960), else the
// picture is the largest that fits. filled: the largest that fits, always.
// In CSS pixels, with the scale in device pixels per show pixel.
function pictureBox(width, height, ratio, filled) {
  const fit = Math.min(width * ratio / showWidth, height * ratio / showHeight);
  const whole = Math.floor(fit);
  const sharp = !filled && height <= width && whole >= 1 && whole >= 0.875 * fit;
  const scale = sharp ? whole : fit;
  // The corner on a device pixel, so that every show pixel starts on one;
  // on a whole CSS pixel too where one is a whole number of device pixels,
  // as browsers that lay out in CSS pixels need.
  const css = (device) => {
    const whole = Math.round(device / ratio);
    const back = whole * ratio;
    return Math.abs(back - Math.round(back)) < 1e-6 ? whole : device / ratio;
  };
  return { x: css(Math.floor((width * ratio - showWidth * scale) / 2)),
           y: css(Math.floor((height * ratio - showHeight * scale) / 2)),
           width: showWidth * scale / ratio, height: showHeight * scale / ratio, scale: scale };
}

let filled = false;  // a double tap where the browser has no fullscreen

function place(element, box) {
  element.style.left = box.x + 'px';
  element.style.top = box.y + 'px';
  element.style.width = box.width + 'px';
  element.style.height = box.height + 'px';
}

function layout() {
  const width = window.innerWidth;
  const height = window.innerHeight;
  const box = pictureBox(width, height, window.devicePixelRatio || 1, filled);
  place(canvas, box);
  place(start, box);
  // The buttons and lines under the title art where there is room (a phone
  // upright), else over its lower part.
  panel.classList.remove('below');
  if (height - box.y - box.height >= panel.offsetHeight + 8)
    panel.classList.add('below');
  // The line over the show: above the picture where there is room.
  notice.style.left = box.x + 'px';
  notice.style.width = box.width + 'px';
  const above = box.y - notice.offsetHeight - 4;
  notice.style.top = (above >= 0 ? above : box.y + 4) + 'px';
}

window.addEventListener('resize', layout);
// A change of zoom or of screen changes the ratio, not always the size.
(function watchRatio() {
  matchMedia('(resolution: ' + window.devicePixelRatio + 'dppx)')
    .addEventListener('change', () => { layout(); watchRatio(); }, { once: true });
})();

// ---- Fullscreen ----

const fullscreenElement = () => document.fullscreenElement || document.webkitFullscreenElement;
let leavingFullscreen = false;  // the page itself asked to leave

function toggleFullscreen() {
  if (!(document.fullscreenEnabled || document.webkitFullscreenEnabled)) {
    // No element fullscreen (an iPhone): the picture fills the page instead.
    filled = !filled;
    layout();
    return;
  }
  if (fullscreenElement()) {
    leavingFullscreen = true;
    (document.exitFullscreen || document.webkitExitFullscreen).call(document);
    return;
  }
  const asked = (root.requestFullscreen || root.webkitRequestFullscreen).call(root);
  Promise.resolve(asked).then(() => {
    // Escape then reaches the page instead of only leaving fullscreen.
    if (navigator.keyboard && navigator.keyboard.lock)
      navigator.keyboard.lock(['Escape']).catch(() => {});
  }, () => {});
}

// Where Escape only leaves fullscreen and never reaches the page (browsers
// without keyboard lock), leaving fullscreen while the show plays stops it.
let inFullscreen = false;
function fullscreenChanged() {
  const now = !!fullscreenElement();
  if (now === inFullscreen)
    return;  // the same change told again, prefixed
  inFullscreen = now;
  if (!now) {
    if (!leavingFullscreen)
      quit();
    leavingFullscreen = false;
  }
  layout();
}
document.addEventListener('fullscreenchange', fullscreenChanged);
document.addEventListener('webkitfullscreenchange', fullscreenChanged);

// ---- Input ----

document.addEventListener('keydown', (e) => {
  if (e.target === gentle && (e.key === ' ' || e.key === 'Enter'))
    return;  // the switch's own keys
  if (e.key === 'f' || e.key === 'F') {
    toggleFullscreen();
  } else if (e.key === 'Enter' || e.key === ' ') {
    e.preventDefault();
    if (playing)
      askForSound();
    else
      play();
  }
});
// Stopped on the release, as the native program quits on it.
document.addEventListener('keyup', (e) => {
  if (e.key === 'Escape')
    quit();
});

// A double tap: two taps close in time and place. Mice and pens double click.
let lastTap = null;
stage.addEventListener('pointerup', (e) => {
  lastPointer = e.pointerType === 'touch' ? 'touch' : 'mouse';
  if (playing && touchScreen())
    stopButton.hidden = false;
  if (e.pointerType !== 'touch' || e.target.closest('#stop, label'))
    return;
  const near = lastTap && e.timeStamp - lastTap.time < 400 &&
      Math.hypot(e.clientX - lastTap.x, e.clientY - lastTap.y) < 40;
  lastTap = near ? null : { time: e.timeStamp, x: e.clientX, y: e.clientY };
  if (near)
    toggleFullscreen();
});
document.addEventListener('dblclick', () => {
  if (lastPointer !== 'touch')
    toggleFullscreen();
});

start.addEventListener('click', play);
// Anywhere on the page while the show plays without its music.
stage.addEventListener('click', () => {
  if (playing)
    askForSound();
});
stopButton.addEventListener('click', (e) => {
  e.stopPropagation();
  quit();
});
gentle.parentElement.addEventListener('click', (e) => e.stopPropagation());

// The gentle flashes are remembered for the next visit.
gentle.checked = localStorage.getItem('varno-gentle') === '1';
gentle.addEventListener('change', () => {
  localStorage.setItem('varno-gentle', gentle.checked ? '1' : '0');
  reload();
});
// A new moment asked for while waiting: the waiting show is loaded again from it.
window.addEventListener('hashchange', reload);

async function load() {
  const files = ['varno-style.wasm', 'varno-style.data'];
  const total = (await Promise.all(files.map(sizeOf))).reduce((a, b) => a + b, 0);
  let got = 0;
  const received = (n) => { got += n; progress.value = total ? got / total : 0; };
  let wasm;
  [wasm, dataPackage] = await Promise.all(files.map((f) => fetchBytes(f, received)));
  program = await WebAssembly.compile(wasm);
  progress.value = 1;

  status.textContent = 'Decoding the music\u2026';
  // A moment for the line to show before the decoder holds the page.
  await new Promise((r) => setTimeout(r, 20));
  const decoder = await decodeMusic();
  const title = decoder.FS.readFile('/data/title.png');
  art.src = URL.createObjectURL(new Blob([title], { type: 'image/png' }));
  await prepare();
  art.hidden = false;
  progress.hidden = true;
  playButton.hidden = false;
  playButton.focus();
  loaded = true;
  root.dataset.show = 'ready';
  status.textContent = touchScreen()
      ? 'Tap to play \u00b7 double tap: fullscreen'
      : 'Click, Enter or Space to play \u00b7 F or double click: fullscreen \u00b7 Escape: stop';
  layout();
}

root.dataset.show = 'loading';
root.dataset.sound = 'none';
layout();
load().catch((e) => {
  status.textContent = 'The show could not be loaded: ' + e.message;
  console.error(e);
});
