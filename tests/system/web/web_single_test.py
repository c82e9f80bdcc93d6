#!/usr/bin/env python3
"""The single-file page in headless Chromium, from an empty folder: opened
from file:// and then served by a local server that holds nothing else, each
time with every request the page makes recorded. Checks: the start screen
comes with its play button (the same pixels as the web zip's start screen,
when a screenshot of that is given), a click plays it, the canvas at the title's still
moment equals the native capture's frame, and the page asked for nothing but
itself (data: and blob: addresses, which never leave the browser, aside).
Only Python's standard library and Chromium.

usage: web_single_test.py PAGE.html NATIVE_CAPTURE_TOOL [ZIP_START_SCREEN.png]
"""
import base64
import http.server
import os
import shutil
import sys
import tempfile
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
from chromium import Browser  # noqa: E402
from page import (LINK_MOMENT, STILL_MS, against_frame, console_errors, finish,  # noqa: E402
                  native_frame, read_png)


def play(url, expected, shot_path, start_screen):
    """Opens url at the title's still moment, plays it after a click; returns
    the failures and the addresses the page asked for."""
    failures = []
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = Browser(profile)
        try:
            browser.open(url + '#t=' + LINK_MOMENT)
            browser.send('Network.enable')
            browser.wait_for("!document.getElementById('play').hidden", 60, 'the play button')
            start = base64.b64decode(browser.send('Page.captureScreenshot')['data'])
            with open(shot_path.replace('.png', '_start.png'), 'wb') as f:
                f.write(start)
            if start_screen:
                with open(start_screen, 'rb') as f:
                    same = read_png(f.read()) == read_png(start)
                print('  the start screen: %s the web zip\'s' % ('the same as' if same else 'unlike'))
                if not same:
                    failures.append('the start screen differs from the web zip\'s')
            browser.click(320, 240)
            browser.wait_for("!document.getElementById('screen').hidden", 10, 'the canvas')
            time.sleep(0.6)  # into the still stretch, well before its end at 14.1 s
            shot = browser.send('Page.captureScreenshot', format='png',
                                clip=dict(x=0, y=0, width=640, height=480, scale=1))
            png = base64.b64decode(shot['data'])
            with open(shot_path, 'wb') as f:
                f.write(png)
            against_frame(png, expected, '  canvas', failures)
            failures += ['console error: ' + e for e in console_errors(browser.events)]
        finally:
            browser.close()
    # Network.enable came after the page's own request: it is counted from
    # the server's side when served.
    asked = [e['params']['request']['url'] for e in browser.events
             if e['method'] == 'Network.requestWillBeSent']
    return failures, asked


class Counting(http.server.SimpleHTTPRequestHandler):
    served = []

    def log_message(self, *args):
        pass

    def do_GET(self):
        Counting.served.append(self.path)
        super().do_GET()

    def do_HEAD(self):
        Counting.served.append('HEAD ' + self.path)
        super().do_HEAD()


def main():
    page, capture_tool = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    start_screen = sys.argv[3] if len(sys.argv) > 3 else None
    expected = native_frame(capture_tool, STILL_MS)
    name = os.path.basename(page)
    failures = []
    with tempfile.TemporaryDirectory() as empty:
        shutil.copy(page, empty)
        print('-- from file://, in a folder that holds nothing else')
        f, asked = play('file://' + os.path.join(empty, name), expected,
                        os.path.join(os.path.dirname(page), 'single_test_file.png'), start_screen)
        failures += f
        other = [u for u in asked if not u.startswith(('data:', 'blob:'))]
        print('  requests after the page: %d (%d to data: or blob: addresses)' %
              (len(other), len(asked) - len(other)))
        failures += ['file://: the page asked for ' + u for u in other]

        print('-- served by a local server that holds nothing else')
        Counting.served = []
        server = http.server.ThreadingHTTPServer(
            ('127.0.0.1', 0), lambda *a: Counting(*a, directory=empty))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        try:
            f, asked = play('http://127.0.0.1:%d/%s' % (server.server_address[1], name),
                            expected, os.path.join(os.path.dirname(page), 'single_test_http.png'),
                            start_screen)
        finally:
            server.shutdown()
        failures += f
        print('  requests the server saw: %d (%s)' % (len(Counting.served), ', '.join(Counting.served)))
        if Counting.served != ['/' + name]:
            failures.append('the server saw %s, not the page alone' % Counting.served)
    return finish(failures)


if __name__ == '__main__':
    sys.exit(main())
