#!/usr/bin/env python3
"""How fast the browser build draws the show, next to the native build.

Every frame of the show at 60 fps is drawn, with nothing written, by the
native capture tool and by the browser build's in headless Chromium, in turns
(RUNS each); the table gives each scene's frame times summed, the smallest sum
over the runs, and the ratio. Then the page itself plays SECONDS of the show
in Chromium: the time from the click to its first picture, every gap
between pictures longer than one and a half display frames, and the longest
work the program did in one animation frame.

usage: web_speed.py BUILD_DIR BUILD_WEB_DIR [RUNS] [SECONDS]
"""
import os
import subprocess
import sys
import tempfile
import time

from chromium import Browser, serve

HERE = os.path.dirname(os.path.abspath(__file__))


def scenes(build):
    """(name, start ms) in timeline order, and the show's end, as the capture tool
    prints the show's own timeline."""
    out = subprocess.run(['tools/varno-capture', '--scenes'], cwd=build, check=True,
                         capture_output=True, text=True).stdout
    rows = [line.split() for line in out.splitlines()]
    starts = [(name, int(ms)) for name, ms in rows if name != 'end']
    end = [int(ms) for name, ms in rows if name == 'end'][0]
    return starts, end


def parse_times(text):
    times = {}
    for line in text.splitlines():
        t, ms = line.split()
        times[int(t)] = float(ms)
    return times


def native_times(build):
    with tempfile.NamedTemporaryFile('r', suffix='.txt') as f:
        subprocess.run(['tools/varno-capture', '--null', '--times', f.name], cwd=build,
                       check=True, stderr=subprocess.DEVNULL)
        return parse_times(f.read())


def browser_times(browser):
    return parse_times(browser.evaluate('''
        new Promise((done) => {
          const s = document.createElement('script');
          s.src = 'varno-capture-web.js';
          s.onload = () => VarnoCapture({ printErr: () => {} }).then((m) => {
            m.callMain(['--null', '--times', '/times.txt']);
            done(m.FS.readFile('/times.txt', { encoding: 'utf8' }));
          });
          document.body.appendChild(s);
        })''', wait=True))


def scene_sums(runs, starts, end):
    """Per scene and for the whole show, the smallest sum of its frames' times over the runs."""
    rows = []
    for i, (name, start) in enumerate(starts):
        stop = starts[i + 1][1] if i + 1 < len(starts) else end
        rows.append((name, [t for t in runs[0] if start <= t < stop]))
    rows.append(('whole show', list(runs[0])))
    return [(name, len(ts), min(sum(r[t] for t in ts) for r in runs)) for name, ts in rows]


def page_run(browser, url, seconds):
    """Plays the page from the start; the click-to-picture time and the long gaps."""
    browser.open(url)
    browser.wait_for("!document.getElementById('play').hidden", 60, 'the play button')
    # Every picture the program puts on the canvas, timed, and the work of
    # every animation frame.
    browser.evaluate('''
        window.shown = [];
        window.work = [];
        const raf = window.requestAnimationFrame.bind(window);
        window.requestAnimationFrame = (f) => raf((ts) => {
          const a = performance.now();
          f(ts);
          work.push([a, performance.now() - a]);
        });
        const context = document.getElementById('screen').getContext('2d');
        const put = context.putImageData.bind(context);
        context.putImageData = (...a) => { shown.push(performance.now()); put(...a); };
        document.getElementById('start').addEventListener('click',
            () => { window.clicked = performance.now(); }, { capture: true });''')
    browser.click(320, 240)
    time.sleep(seconds)
    shown = browser.evaluate('shown')
    clicked = browser.evaluate('clicked')
    work = browser.evaluate('work')
    gaps = [b - a for a, b in zip(shown, shown[1:])]
    period = sorted(gaps)[len(gaps) // 2]
    long_gaps = [(round(a - shown[0]), round(g, 1)) for a, g in zip(shown, gaps) if g > 1.5 * period]
    most = max(work, key=lambda w: w[1])
    return shown[0] - clicked, len(shown), period, long_gaps, (most[1], most[0] - shown[0])


def main():
    build, web = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    seconds = float(sys.argv[4]) if len(sys.argv) > 4 else 60
    server = serve(web)
    base = 'http://127.0.0.1:%d/' % server.server_address[1]
    native, browser_runs = [], []
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = Browser(profile)
        try:
            for _ in range(runs):
                native.append(native_times(build))
                browser.open(base + 'tools/')
                browser.wait_for('document.readyState == "complete"', 10, 'the page')
                browser_runs.append(browser_times(browser))
            startup, frames, period, long_gaps, most_work = page_run(browser, base + 'index.html',
                                                                     seconds)
        finally:
            browser.close()
            server.shutdown()

    starts, end = scenes(build)
    print('%-10s %8s %12s %12s %7s' % ('scene', 'frames', 'native ms', 'browser ms', 'ratio'))
    for (name, count, n), (_, _, b) in zip(scene_sums(native, starts, end),
                                            scene_sums(browser_runs, starts, end)):
        print("%-10s %8d %12.1f %12.1f %6.2fx" % (name, count, n, b, b / n))
    print('page: first picture %.0f ms after the click; %d pictures in %.0f s, '
          'a picture every %.1f ms; gaps over 1.5 frames (at ms, ms): %s; '
          'the longest animation frame\'s work %.1f ms, at %.0f ms' %
          ((startup, frames, seconds, period, long_gaps or 'none') + most_work))


if __name__ == '__main__':
    sys.exit(main())
