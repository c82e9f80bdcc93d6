// The page around the show: loads the program and its data once, has the
// music decoded by the program's own decoder, shows the title art with a play
// button, and runs a fresh instance of the program for every play, so each
// play starts from the very state a native start has. An instance loads the
// show (pictures, tables) while the page waits, so pressing play starts it at
// once.
//
// Sound needs a gesture (a click, a tap, Enter or Space), and may not come at
// all (no output device, a browser's policy, a phone call): the show never
// waits for it for long. Its clock keeps step with the music while the music
// is heard and stands still while the music is held up; without sound the
// show plays on the clock alone and a tap brings the music in, in step.
//
// What tests read: <html data-show> is "loading", "ready", "starting" or
// "playing"; <html data-sound> is "music" (heard), "silent" (the output would
// not start), "paused" (the output stopped under the show) or "none" (nothing
// to hear); pictureBox() is the layout rule; #t=SECONDS starts at a moment.
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

// ---- The show's clock ----

// Milliseconds that only go forward: performance.now() less the time the
// clock stood still. The program reads it as its clock (Module.varnoClock).
const clock = {
  offset: 0,        // taken off performance.now()
  stoppedAt: null,  // the reading while it stands still
  last: 0,          // the last reading given: never gone back on
  now() {
    const t = this.stoppedAt !== null ? this.stoppedAt : performance.now() - this.offset;
    this.last = Math.max(this.last, t);
    return this.last;
  },
  stop() {
    if (this.stoppedAt === null)
      this.stoppedAt = this.now();
  },
  go() {
    if (this.stoppedAt === null)
      return;
    this.offset = performance.now() - this.stoppedAt;
    this.stoppedAt = null;
  },
  // Shows its reading of now for ms more, then runs on from it.
  hold(ms) {
    this.offset = performance.now() + ms - this.now();
  },
};

// ---- Sound ----

// The Web Audio context (made at the first gesture), the music buffers the
// program decoded, by the path the program opens them by, and what plays.
// The program's mixer calls play, pause, resume and stop.
const sound = {
  context: null,
  buffers: {},
  decodeMs: null,   // how long the music took to decode, for the curious
  music: null,      // the buffer the show plays, or null
  zero: 0,          // the clock's reading at the music's first sample
  pausedAt: null,   // the clock's reading when the show paused it
  source: null,     // the node it is heard through, while heard

  play(path, seconds) {
    this.music = this.buffers[path] || null;
    this.pausedAt = null;
    this.zero = clock.now() - seconds * 1000;
    setSound(hear() ? 'music' : this.music ? 'silent' : 'none');
  },
  pause() {
    if (this.music && this.pausedAt === null) {
      this.pausedAt = clock.now();
      silence();
    }
  },
  resume() {
    if (this.pausedAt === null)
      return;
    this.zero += clock.now() - this.pausedAt;
    this.pausedAt = null;
    hear();
  },
  stop() {
    silence();
    this.music = null;
    this.pausedAt = null;
  },
};

// Starts the music where the clock says it is, if it can be heard now. What
// is started now comes out of the speakers after the output's latency, so the
// clock waits that long: the picture then keeps step with what is heard.
function hear() {
  silence();
  const c = sound.context;
  if (!sound.music || sound.pausedAt !== null || !c || c.state !== 'running')
    return false;
  const at = Math.max(0, (clock.now() - sound.zero) / 1000);
  if (at < sound.music.duration) {
    const source = c.createBufferSource();
    source.buffer = sound.music;
    source.connect(c.destination);
    source.start(0, at);
    sound.source = source;
    clock.hold(1000 * ((c.baseLatency || 0) + (c.outputLatency || 0)));
  }
  return true;
}

function silence() {
  if (sound.source)
    sound.source.stop();
  sound.source = null;
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
// a phone, the system taking the output. The show stands still while its
// music cannot be heard, and goes on in step when it can.
function outputChanged() {
  if (!playing || !sound.music || sound.pausedAt !== null)
    return;
  const state = root.dataset.sound;
  if (sound.context.state === 'running') {
    if (state !== 'music') {
      clock.go();
      hear();
      setSound('music');
    }
  } else if (state === 'music') {
    clock.stop();
    silence();
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
      clock.go();
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
    varnoClock: () => clock.now(),
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
  clock.go();
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

// Where a picture 320x240 goes in a view of width x height CSS pixels at
// ratio device pixels to a CSS pixel: 4:3 and centred. Upright (a phone held
// upright) it spans the width. Otherwise each show pixel is a whole number of
// device pixels, sharp and even, when that gives at least seven eighths of
// the largest picture that fits (a 1920x1080 screen: 1280x960), else the
// picture is the largest that fits. filled: the largest that fits, always.
// In CSS pixels, with the scale in device pixels per show pixel.
function pictureBox(width, height, ratio, filled) {
  const fit = Math.min(width * ratio / 320, height * ratio / 240);
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
  return { x: css(Math.floor((width * ratio - 320 * scale) / 2)),
           y: css(Math.floor((height * ratio - 240 * scale) / 2)),
           width: 320 * scale / ratio, height: 240 * scale / ratio, scale: scale };
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
