// The page around the show: loads the program and its data once, decodes the
// music, shows the title art with a play button, and runs a fresh instance of
// the program for every play, so each play starts from the very state a
// native start has. An instance loads the show (pictures, tables) while the
// page waits, so pressing play starts it at once. Sound needs a gesture: a
// click anywhere, Enter or Space.
'use strict';

const canvas = document.getElementById('screen');
const start = document.getElementById('start');
const art = document.getElementById('art');
const progress = document.getElementById('progress');
const playButton = document.getElementById('play');
const status = document.getElementById('status');
const gentle = document.getElementById('gentle');

// Fetched once and handed to every instance: the program compiled once, so
// that code the browser has optimised in one play serves the next.
let program = null;
let dataPackage = null;
// The Web Audio context (made at the first gesture) and the decoded music by
// the name the program opens it by; the program's sound layer reads this.
const sound = { context: null, buffers: {} };

let next = null;     // an instance loaded and waiting for play
let playing = null;  // the instance on the canvas
let loads = 0;       // instances asked for; only the last one asked for plays
let loaded = false;  // the program, its data and the music are all here

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

// A fresh instance, its program started (from the link's moment, if any) and
// loaded up to the moment it waits for play. A moment the program refuses
// (past the show's end) is dropped, and the show loads from its start.
function loadShow() {
  return new Promise((ready) => {
    let instance;
    let waiting = false;
    VarnoStyle({
      canvas: canvas,
      instantiateWasm: (imports, done) => {
        WebAssembly.instantiate(program, imports).then((i) => done(i, program));
        return {};
      },
      getPreloadedPackage: () => dataPackage,
      varnoSound: sound,
      onShowReady: () => {
        waiting = true;
        ready(instance);
      },
      onShowEnd: stopped,
    }).then((m) => {
      instance = m;
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

function play() {
  if (!loaded || playing || !next)
    return;
  if (!sound.context)
    sound.context = new AudioContext();
  sound.context.resume();
  playing = next;
  next = null;
  // The link's moment is for its first play; the play button then starts over.
  dropMoment();
  start.hidden = true;
  canvas.hidden = false;
  playing._varno_play();
}

// The show ended or was stopped: back to the play button, with a fresh
// instance for the next play.
function stopped() {
  playing = null;
  canvas.hidden = true;
  start.hidden = false;
  playButton.focus();
  prepare();
}

function toggleFullscreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen();
    return;
  }
  document.documentElement.requestFullscreen().then(() => {
    // Escape then reaches the page instead of only leaving fullscreen.
    if (navigator.keyboard && navigator.keyboard.lock)
      navigator.keyboard.lock(['Escape']).catch(() => {});
  }, () => {});
}

// The gentle flashes are remembered for the next visit.
gentle.checked = localStorage.getItem('varno-gentle') === '1';

// The waiting show, loaded again when what it was started with changed.
function reload() {
  if (!playing)
    prepare();
}

document.addEventListener('keydown', (e) => {
  if (e.target === gentle && (e.key === ' ' || e.key === 'Enter'))
    return;  // the switch's own keys
  if (e.key === 'f' || e.key === 'F') {
    toggleFullscreen();
  } else if (!playing && (e.key === 'Enter' || e.key === ' ')) {
    e.preventDefault();
    play();
  }
});
// Stopped on the release, as the native program quits on it.
document.addEventListener('keyup', (e) => {
  if (e.key === 'Escape' && playing)
    playing._varno_request_quit();
});
start.addEventListener('click', play);
gentle.parentElement.addEventListener('click', (e) => e.stopPropagation());
gentle.addEventListener('change', () => {
  localStorage.setItem('varno-gentle', gentle.checked ? '1' : '0');
  reload();
});
// A new moment asked for while waiting: the waiting show is loaded again from it.
window.addEventListener('hashchange', reload);
document.addEventListener('dblclick', toggleFullscreen);

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
  const first = await prepare();
  // Decoded once, before the first play, so the music starts with the show.
  const decoder = new OfflineAudioContext(2, 44100, 44100);
  for (const name of first.FS.readdir('/data')) {
    if (name.endsWith('.ogg')) {
      const bytes = first.FS.readFile('/data/' + name);
      sound.buffers['data/' + name] = await decoder.decodeAudioData(bytes.buffer);
    }
  }
  const title = first.FS.readFile('/data/title.png');
  art.src = URL.createObjectURL(new Blob([title], { type: 'image/png' }));
  art.hidden = false;
  progress.hidden = true;
  playButton.hidden = false;
  playButton.focus();
  loaded = true;
  status.textContent = 'Click, Enter or Space to play \u00b7 F or double click: fullscreen'
      + ' \u00b7 Escape: stop';
}

load().catch((e) => {
  status.textContent = 'The show could not be loaded: ' + e.message;
  console.error(e);
});
