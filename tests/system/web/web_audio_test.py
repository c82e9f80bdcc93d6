#!/usr/bin/env python3
"""The browser page's sound, in headless Chromium: the show against the music
as it is heard, and what the page does when its sound fails.

Each case loads the page from a local server at a moment of the dance (#t=20),
some with a script run before the page's own or with a damaged copy of the
music served, and starts it with a click:
- the show against the music heard: the show's demo time, frame by frame,
  waits for the music's first sample, then stays within a frame of the
  music's position heard and never goes back: as it plays, after the page
  stood still for 300 ms (the music going on), and when the output stops
  under the show (as on a phone call: the show stands still) and runs again
  (both go on from there, the music not started again);
- the same in a browser without the output's timestamps (older Safari), where
  the page reads the context's time less its latency instead;
- the browser's own decoder refusing Ogg Vorbis (as some browsers' do): the
  show plays with its music, from the link's moment;
- the music file missing, damaged, or claiming to last for hours: the show
  plays silently and says "Error at loading music data/dorvang.ogg";
- no sound device (the output never starts, as in Firefox without one): the
  show starts within 2 s of the click and says so; when the device comes back
  a click brings the music in where the show is.
The console shows no error in any case. Only Python's standard library and
Chromium.

usage: web_audio_test.py BUILD_WEB_DIR
"""
import functools
import http.server
import os
import re
import struct
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
from chromium import Browser, QuietHandler  # noqa: E402
from page import console_errors, finish  # noqa: E402

MOMENT = 20.0  # in the dance: the picture moves, the music plays
MUSIC = '/data/dorvang.ogg'
LOAD_MESSAGE = 'Error at loading music data/dorvang.ogg'

# Run before the page's own scripts in every case: each start of a buffer
# source, with what it plays.
RECORD = '''
window.started = [];
const realStart = AudioBufferSourceNode.prototype.start;
AudioBufferSourceNode.prototype.start = function (when, offset) {
  const b = this.buffer;
  const from = Math.floor((offset || 0) * b.sampleRate);
  let peak = 0;
  for (const x of b.getChannelData(0).subarray(from, from + b.sampleRate))
    peak = Math.max(peak, Math.abs(x));
  started.push({ offset: offset || 0, duration: b.duration, channels: b.numberOfChannels,
                 rate: b.sampleRate, peak: peak });
  return realStart.apply(this, arguments);
};
'''

# A browser without the output's timestamps (Safari before 14.1).
NO_TIMESTAMPS = '''
delete AudioContext.prototype.getOutputTimestamp;
'''

# A browser whose decoder refuses Ogg Vorbis.
REFUSE_OGG = '''
window.refused = 0;
BaseAudioContext.prototype.decodeAudioData = function () {
  refused++;
  return Promise.reject(new DOMException('Unable to decode audio data', 'EncodingError'));
};
'''

# No output device: the context stays suspended and its resume never settles,
# until the test sets noDevice to false.
NO_DEVICE = '''
window.noDevice = true;
const realState = Object.getOwnPropertyDescriptor(BaseAudioContext.prototype, 'state').get;
Object.defineProperty(BaseAudioContext.prototype, 'state', {
  get() { return noDevice ? 'suspended' : realState.call(this); } });
const realResume = AudioContext.prototype.resume;
AudioContext.prototype.resume = function () {
  return noDevice ? new Promise(() => {}) : realResume.call(this);
};
'''


def music_span(js):
    """Where the music lies in the data package, from the program's loader."""
    m = re.search(r'"filename":\s*"%s",\s*"start":\s*(\d+),\s*"end":\s*(\d+)' % MUSIC, js)
    assert m, 'the music is not in the data package'
    return int(m.group(1)), int(m.group(2))


def missing(js, data):
    # Packed under another name of the same length: nothing else moves.
    return js.replace(MUSIC.encode(), MUSIC[:-3].encode() + b'off'), data


def damaged(js, data):
    # Its first page's mark kept, everything after it noise.
    start, end = music_span(js.decode())
    noise = bytes((i * 151 + 7) & 255 for i in range(end - start - 4))
    return js, data[:start + 4] + noise + data[end:]


def claims_hours(js, data):
    # The last page's granule position says 170 million frames (64 minutes):
    # room for them is more than the program's memory holds.
    start, end = music_span(js.decode())
    last = data.rfind(b'OggS', start, end)
    return js, data[:last + 6] + struct.pack('<q', 170000000) + data[last + 14:]


def serve(directory, change):
    """The build served, the program's loader and data as change makes them."""
    files = {}
    if change:
        with open(os.path.join(directory, 'varno-style.js'), 'rb') as f:
            js = f.read()
        with open(os.path.join(directory, 'varno-style.data'), 'rb') as f:
            data = f.read()
        files['/varno-style.js'], files['/varno-style.data'] = change(js, data)

    class Handler(QuietHandler):
        def send_head(self):
            body = files.get(self.path.split('?')[0])
            if body is None:
                return super().send_head()
            self.send_response(200)
            self.send_header('Content-Type', 'application/octet-stream')
            self.send_header('Content-Length', str(len(body)))
            self.end_headers()
            return _Body(body)

    server = http.server.ThreadingHTTPServer(
        ('127.0.0.1', 0), functools.partial(Handler, directory=directory))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class _Body:
    def __init__(self, data):
        self.data = data

    def read(self, *_):
        data, self.data = self.data, b''
        return data

    def close(self):
        pass


def open_page(browser, url, script):
    """A new tab at url in a 640x480 view, script run before the page's own."""
    target = browser.send('Target.createTarget', url='about:blank')['targetId']
    browser.session = browser.send('Target.attachToTarget', targetId=target,
                                   flatten=True)['sessionId']
    for domain in ('Runtime', 'Log', 'Page'):
        browser.send(domain + '.enable')
    browser.send('Emulation.setDeviceMetricsOverride', width=640, height=480,
                 deviceScaleFactor=1, mobile=False)
    browser.send('Page.addScriptToEvaluateOnNewDocument', source=RECORD + script)
    browser.send('Page.navigate', url=url)
    return target


def canvas_sum(browser):
    return browser.evaluate("(() => { const d = document.getElementById('screen')"
                            ".getContext('2d').getImageData(0, 0, 320, 240).data;"
                            " let s = 0; for (let i = 0; i < d.length; i++) s = (s * 31 + d[i]) | 0;"
                            " return s; })()")


def show_moves(browser, fail):
    """The show's picture changes: it plays (the title's noise, at its start)."""
    first = canvas_sum(browser)
    time.sleep(0.3)
    if canvas_sum(browser) == first:
        fail('the picture does not move')


def printed(browser):
    return [' '.join(str(a.get('value')) for a in e['params']['args'])
            for e in browser.events if e['method'] == 'Runtime.consoleAPICalled']


def check_music(browser, fail, start, at, within):
    """Started: the whole show's music, heard from at seconds (give or take within)."""
    if start['channels'] != 2 or start['rate'] != 44100 or not 100 < start['duration'] < 103:
        fail('the music buffer: %(channels)d channels at %(rate)d Hz, %(duration).2f s' % start)
    if start['peak'] < 0.05:
        fail('the music is silent where it starts (peak %.4f)' % start['peak'])
    if abs(start['offset'] - at) > within:
        fail('music started at %.3f s, expected %.3f s' % (start['offset'], at))


# Seconds of the show that may pass between what the page does and what this
# test sees of it (polling, the protocol's round trips).
SLACK = 0.4
FRAME_MS = 1000 / 60  # the most the show's picture may be off what is heard

# Run before the page's own scripts: for each frame of the show, the music's
# position told the show (heard; null when none) with the moment it was for
# (at) and the show's demo time for that moment (t), into frames.
RECORD_FRAMES = '''
window.frames = [];
(function record() {
  const h = typeof sound === 'undefined' ? null : sound.lastHeard;
  if (h && playing && (!frames.length || frames[frames.length - 1].at !== h.at))
    frames.push({ at: h.at, heard: isNaN(h.ms) ? null : h.ms, t: playing._varno_demo_time(h.at) });
  requestAnimationFrame(record);
})();
'''


def recorded(browser):
    """The frames recorded since the last call."""
    return browser.evaluate('frames.splice(0)')


def off_the_music(frames):
    """The frames whose demo time is more than a frame off what was heard:
    behind it, or ahead of it and not waiting for it (moved on since the
    frame before)."""
    return [f for e, f in zip([None] + frames, frames) if f['heard'] is None or
            f['heard'] - f['t'] > FRAME_MS or
            f['t'] - f['heard'] > FRAME_MS and (e is None or f['t'] > e['t'])]


def follows_music(browser, fail, clicked):
    browser.wait_for("document.documentElement.dataset.sound == 'music'", 3, 'the music')
    starts = len(browser.evaluate('started'))
    # The picture waits for the music's first sample, then goes with it.
    browser.wait_for('frames.some((f) => f.heard > %d)' % (MOMENT * 1000 + 500), 3, 'the music heard')
    frames = [f for f in recorded(browser) if f['heard'] is not None]
    heard = [f for f in frames if f['heard'] >= MOMENT * 1000]
    waiting = [f for f in frames if f['heard'] < MOMENT * 1000]
    if not waiting or any(f['t'] != MOMENT * 1000 for f in waiting):
        fail('the show did not wait at %.0f ms for the music: %s' % (MOMENT * 1000, waiting[:3]))
    time.sleep(2)
    frames = heard + recorded(browser)
    # The page stands still for 300 ms (a busy machine); the music goes on.
    browser.evaluate('(() => { const end = performance.now() + 300;'
                     ' while (performance.now() < end); })()')
    time.sleep(1)
    after_stall = recorded(browser)
    # The output stops under the show for a second, then runs again.
    browser.evaluate('sound.context.suspend()', wait=True)
    browser.wait_for("document.documentElement.dataset.sound == 'paused'", 2, 'the pause')
    stopping = recorded(browser)
    time.sleep(1)
    stopped = recorded(browser)
    browser.evaluate('sound.context.resume()', wait=True)
    browser.wait_for("document.documentElement.dataset.sound == 'music'", 2, 'the music again')
    time.sleep(1)
    resumed = recorded(browser)

    for name, part in (('playing', frames), ('after a 300-ms stall', after_stall),
                       ('while the output stopped', stopping + stopped),
                       ('after it ran again', resumed)):
        if len(part) < 10:
            fail('%s: only %d frames' % (name, len(part)))
            continue
        off = off_the_music(part)
        errors = sorted(f['t'] - f['heard'] for f in part)
        print('  %s: %d frames, picture minus sound %.1f ms (median), %.1f to %.1f'
              % (name, len(part), errors[len(errors) // 2], errors[0], errors[-1]))
        if off:
            fail('%s: %d of %d frames more than a frame off the music, as %s'
                 % (name, len(off), len(part), off[:3]))
    everything = frames + after_stall + stopping + stopped + resumed
    back = [(a, b) for a, b in zip(everything, everything[1:]) if b['t'] < a['t']]
    if back:
        fail('the show went back %d times, as %s' % (len(back), back[:2]))
    if len(stopped) >= 2 and stopped[-1]['t'] - stopped[0]['t'] > FRAME_MS:
        fail('the show ran on by %.0f ms while the output was stopped'
             % (stopped[-1]['t'] - stopped[0]['t']))
    if len(stopped) >= 1 and len(resumed) >= 1 and \
            resumed[0]['heard'] - stopped[-1]['heard'] > SLACK * 1000:
        fail('the music went on %.0f ms past where it stopped'
             % (resumed[0]['heard'] - stopped[-1]['heard']))
    if len(browser.evaluate('started')) != starts:
        fail('the music was started again %d times' % (len(browser.evaluate('started')) - starts))


def refused_decoder(browser, fail, clicked):
    browser.wait_for("document.documentElement.dataset.sound == 'music'", 3, 'the music')
    heard = browser.evaluate('sound.context.currentTime')
    show_moves(browser, fail)
    if browser.evaluate('sound.context.currentTime') <= heard:
        fail('the sound output does not run')
    # The show asks for its music from the start, then moves it to the moment.
    starts = browser.evaluate('started')
    if not starts:
        return fail('no music started')
    check_music(browser, fail, starts[-1], MOMENT, 0.001)


def no_music(browser, fail, clicked):
    browser.wait_for("document.documentElement.dataset.show == 'playing'", 3, 'the show')
    show_moves(browser, fail)
    if browser.evaluate('started'):
        fail('music started')
    if browser.evaluate('document.documentElement.dataset.sound') != 'none':
        fail('sound is %s, expected none' % browser.evaluate('document.documentElement.dataset.sound'))
    if LOAD_MESSAGE not in printed(browser):
        fail('"%s" not printed: %s' % (LOAD_MESSAGE, printed(browser)))


def no_device(browser, fail, clicked):
    browser.wait_for("document.documentElement.dataset.show == 'playing'", 3, 'the show')
    began = time.monotonic()
    took = began - clicked
    print('  started %.2f s after the click' % took)
    if took > 2:
        fail('the show started %.2f s after the click' % took)
    show_moves(browser, fail)
    if browser.evaluate('document.documentElement.dataset.sound') != 'silent':
        fail('sound is %s, expected silent' % browser.evaluate('document.documentElement.dataset.sound'))
    line = browser.evaluate("document.getElementById('notice').hidden ? ''"
                            " : document.getElementById('notice').textContent")
    if line != 'No sound: click for sound':
        fail('the line says %r' % line)

    # The device comes back; a click on the show brings the music in where
    # the show is: the picture goes on as it was, neither jumping nor
    # waiting, and then with the music.
    time.sleep(0.5)
    browser.evaluate('noDevice = false')
    asked = time.monotonic()
    recorded(browser)
    browser.click(320, 300)
    browser.wait_for("document.documentElement.dataset.sound == 'music'", 2, 'the music')
    starts = browser.evaluate('started')
    if len(starts) != 1:
        return fail('%d music starts, expected 1' % len(starts))
    check_music(browser, fail, starts[0], MOMENT + asked - began, SLACK)
    time.sleep(1)
    frames = recorded(browser)
    uneven = [(a, b) for a, b in zip(frames, frames[1:])
              if abs((b['t'] - a['t']) - (b['at'] - a['at'])) > FRAME_MS]
    if uneven:
        fail('the show jumped or waited as the music came in: %s' % uneven[:2])
    heard = [f for f in frames if f['heard'] is not None]
    if len(heard) < 10 or off_the_music(heard):
        fail('the show is off the music come in: %d frames heard, %s'
             % (len(heard), off_the_music(heard)[:3]))


CASES = [
    # what fails, script before the page, served files, what the show then does
    ('the show against the music heard', RECORD_FRAMES, None, follows_music),
    ('the same without output timestamps', NO_TIMESTAMPS + RECORD_FRAMES, None, follows_music),
    ("the browser's Ogg Vorbis decoder", REFUSE_OGG, None, refused_decoder),
    ('the music file missing', '', missing, no_music),
    ('the music file damaged', '', damaged, no_music),
    ('the music file claiming 64 minutes', '', claims_hours, no_music),
    ('no sound device', NO_DEVICE + RECORD_FRAMES, None, no_device),
]


def main():
    web_dir = sys.argv[1]
    failures = []
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = Browser(profile)
        try:
            for name, script, change, check in CASES:
                began = time.monotonic()
                server = serve(web_dir, change)
                url = 'http://127.0.0.1:%d/index.html#t=%s' % (server.server_address[1], MOMENT)
                browser.events = []

                def fail(what, name=name):
                    failures.append('%s: %s' % (name, what))
                try:
                    target = open_page(browser, url, script)
                    browser.wait_for("document.documentElement.dataset.show == 'ready'", 30,
                                     'the play button')
                    clicked = time.monotonic()
                    browser.click(320, 240)
                    check(browser, fail, clicked)
                    for e in console_errors(browser.events):
                        fail('console error: ' + e)
                    browser.session = None
                    browser.send('Target.closeTarget', targetId=target)
                except AssertionError as e:
                    fail(str(e))
                finally:
                    server.shutdown()
                print('%s: %.1f s' % (name, time.monotonic() - began))
        finally:
            browser.close()
    return finish(failures)


if __name__ == '__main__':
    sys.exit(main())
