#!/usr/bin/env python3
"""The browser page in headless Chromium, driven over its DevTools pipe.

Serves build-web/ on a local port, opens the page at the title's still moment
(#t=12.8) in a 640x480 view, starts it with a click, and checks: the canvas's
pixels on the screen equal the native capture's frame at 13000 ms; a released
Escape brings back the play button, and the next play starts from the start;
the console shows no error. Only Python's standard library and Chromium.

usage: web_page_test.py BUILD_WEB_DIR NATIVE_CAPTURE_TOOL
"""
import base64
import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
from page import (LINK_MOMENT, STILL_MS, against_frame, centre_of, chromium_on,  # noqa: E402
                  console_errors, finish, native_frame)


def main():
    web_dir, capture_tool = sys.argv[1], os.path.abspath(sys.argv[2])
    expected = native_frame(capture_tool, STILL_MS)
    failures = []
    with chromium_on(web_dir) as (browser, url):
        browser.open(url + '#t=' + LINK_MOMENT)
        browser.wait_for("!document.getElementById('play').hidden", 60, 'the play button')
        start_screen = base64.b64decode(browser.send('Page.captureScreenshot')['data'])
        with open(os.path.join(web_dir, 'page_test_start.png'), 'wb') as f:
            f.write(start_screen)

        browser.click(320, 240)
        browser.wait_for("!document.getElementById('screen').hidden", 10, 'the canvas')
        time.sleep(0.6)  # into the still stretch, well before its end at 14.1 s
        shot = browser.send('Page.captureScreenshot', format='png',
                            clip=dict(x=0, y=0, width=640, height=480, scale=1))
        png = base64.b64decode(shot['data'])
        with open(os.path.join(web_dir, 'page_test.png'), 'wb') as f:
            f.write(png)  # to look at
        against_frame(png, expected, 'canvas', failures)

        browser.press('Escape', 27)
        browser.wait_for("document.getElementById('screen').hidden && "
                         "!document.getElementById('start').hidden", 5,
                         'the play button after Escape')
        if browser.evaluate('location.hash'):
            failures.append('the link moment stayed for the next play')

        # The gentle switch: a click on it does not start the show, and
        # the page remembers it.
        browser.click(*centre_of(browser, 'gentle'))
        time.sleep(0.3)
        if not browser.evaluate("document.getElementById('screen').hidden"):
            failures.append('a click on the gentle switch started the show')
        browser.send('Page.reload')
        browser.wait_for("!document.getElementById('play').hidden", 60, 'the play button')
        if not browser.evaluate("document.getElementById('gentle').checked"):
            failures.append('the gentle switch was not remembered')

        # A link past the show's last frame: the show waits from its start instead.
        browser.evaluate("location.hash = '#t=101'")
        try:
            browser.wait_for("!!next && !location.hash", 10, 'a show after a moment past the end')
        except AssertionError as e:
            failures.append(str(e))

        failures += ['console error: ' + e for e in console_errors(browser.events)]
    return finish(failures)


if __name__ == '__main__':
    sys.exit(main())
