#!/usr/bin/env python3
"""The browser page in the engines other than Chromium's: Firefox ESR over its
own WebDriver BiDi (firefox.py), and WebKitGTK, Safari's engine, in a
window of its own on a private X display (webkit.py).

For the browser named, as web_page_test.py does in Chromium: serves build-web/
on a local port, opens the page at the title's still moment (#t=12.8) in a
640x480 view, clicks its play button, and checks that the screen shows the
native capture's frame at 13000 ms pixel for pixel, that the show then moves
on past the still stretch (a show stuck on its first frame would match it
too), that the music is heard, that Escape stops the show, and that the
page's console shows no error. The browser has a sound card to play to: a PulseAudio of the test's own with
a card that plays into nothing. The screens are kept in build-web/ to look at.

usage: web_browsers_test.py firefox|webkit BUILD_WEB_DIR NATIVE_CAPTURE_TOOL
"""
import os
import stat
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
from chromium import serve  # noqa: E402
from firefox import Firefox  # noqa: E402
from page import (LINK_MOMENT, STILL_MS, against_frame, centre_of, differing,  # noqa: E402
                  finish, native_frame, read_png)
from webkit import WebKit  # noqa: E402

# The stretch after the still one: every pixel differs from it by 14200 ms.
# Seconds after the still shot by which the show has moved on, at most. Its
# picture waits for its music, and a browser on a busy machine can be slow to
# play on after its first sound (Firefox once took over 3 s with the machine's
# every core busy): a wait for the machine, which a show that hangs still fails.
MOVED_ON_BY = 10.0
BROWSERS = {'firefox': Firefox, 'webkit': WebKit}


def sound_server(folder):
    """A PulseAudio of the test's own with one sound card that plays into
    nothing, as a viewer's machine has a card: the browsers started after it
    play their sound there (this machine has none). Returns its process."""
    socket = os.path.join(folder, 'socket')  # beside the folder pulse/ it makes
    env = dict(os.environ, HOME=folder, XDG_RUNTIME_DIR=folder, XDG_CONFIG_HOME=folder)
    server = subprocess.Popen(
        ['pulseaudio', '-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
         '-L', 'module-null-sink', '-L', 'module-native-protocol-unix auth-anonymous=1 socket='
         + socket], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    end = time.monotonic() + 10
    while not (os.path.exists(socket) and stat.S_ISSOCK(os.stat(socket).st_mode)):
        if server.poll() is not None or time.monotonic() > end:
            server.kill()
            raise RuntimeError('PulseAudio did not start')
        time.sleep(0.05)
    os.environ['PULSE_SERVER'] = 'unix:' + socket
    return server


def still_screen(browser, url, web_dir, name):
    """The page opened afresh at url, its play button clicked where it is, as
    a viewer would, and the screen in the still stretch as a PNG; None when
    the music was not heard within a second of the show's start."""
    browser.open('about:blank', 640, 480)  # so that url loads anew, not only its #t
    browser.wait_for("location.href === 'about:blank'", 10, 'a blank page')
    browser.open(url, 640, 480)
    browser.wait_for("!document.getElementById('play').hidden", 60, 'the play button')
    with open(os.path.join(web_dir, 'page_%s_start.png' % name), 'wb') as f:
        f.write(browser.screenshot(0, 0, 640, 480))
    browser.click(*centre_of(browser, 'play'))
    browser.wait_for("!document.getElementById('screen').hidden", 10, 'the canvas')
    shown = time.monotonic()
    try:
        browser.wait_for("document.documentElement.dataset.sound === 'music'", 1, 'the music')
    except AssertionError:
        return None
    # Into the still stretch, well before its end at 14.1 s.
    time.sleep(max(0, shown + 0.6 - time.monotonic()))
    return browser.screenshot(0, 0, 640, 480)


def main():
    name, web_dir, capture_tool = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3])
    began = time.monotonic()
    expected = native_frame(capture_tool, STILL_MS)
    server = serve(web_dir)
    url = 'http://127.0.0.1:%d/index.html#t=%s' % (server.server_address[1], LINK_MOMENT)
    failures = []
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as folder:
        starting = time.monotonic()
        profile, sound_folder = os.path.join(folder, 'browser'), os.path.join(folder, 'sound')
        os.mkdir(profile)
        os.mkdir(sound_folder)
        sound = sound_server(sound_folder)
        try:
            browser = BROWSERS[name](profile)
        except Exception:
            sound.kill()
            server.shutdown()
            raise
        started = time.monotonic()
        try:
            png = still_screen(browser, url, web_dir, name)
            if png is None:
                # The first sound a browser plays may take it over a second
                # to start: the show then starts silently, saying so over the
                # picture. Once more, the output started.
                print('%s: the sound took over a second to start; played again' % name)
                png = still_screen(browser, url, web_dir, name)
            if png is None:
                failures.append('the music was not heard within a second of the start, twice')
                png = browser.screenshot(0, 0, 640, 480)
            with open(os.path.join(web_dir, 'page_%s.png' % name), 'wb') as f:
                f.write(png)
            against_frame(png, expected, name + ': the screen', failures)

            # Past the still stretch, the screen is another picture.
            end = time.monotonic() + MOVED_ON_BY
            while True:
                later = read_png(browser.screenshot(0, 0, 640, 480))
                if differing(later, expected) > len(later[2]) // 6:
                    break
                if time.monotonic() > end:
                    failures.append('the show did not move on past its still stretch')
                    break
                time.sleep(0.2)

            heard, decode_ms = browser.evaluate('[document.documentElement.dataset.sound,'
                                                'sound.decodeMs]')
            print('%s: %s started in %.1f s; the music decoded in %s ms; the sound: %s'
                  % (name, browser.version, started - starting, decode_ms, heard))
            if heard != 'music':
                failures.append('the music is not heard: the page says its sound is %s' % heard)

            # Escape stops the show: the play button is back.
            browser.press('Escape')
            try:
                browser.wait_for("document.getElementById('screen').hidden && "
                                 "!document.getElementById('play').hidden", 5,
                                 'the play button after Escape')
            except AssertionError as e:
                failures.append(str(e))

            for line in browser.console_errors():
                failures.append('console error: ' + line)
        finally:
            browser.close()
            sound.kill()
            sound.wait()
            server.shutdown()
    print('%s: %.1f s in all' % (name, time.monotonic() - began))
    return finish(failures)


if __name__ == '__main__':
    sys.exit(main())
