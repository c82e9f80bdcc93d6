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
import struct
import subprocess
import sys
import tempfile
import time
import zlib

from chromium import Browser, serve  # noqa: E402

STILL_MS = 13000  # inside the title picture's still stretch, 12.6-14.1 s
LINK_MOMENT = '12.8'


def read_png(data):
    """Pixels of an 8-bit RGB or RGBA PNG as (width, height, RGB bytes)."""
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
    pos, idat = 8, b''
    while pos < len(data):
        size, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            assert depth == 8 and colour in (2, 6) and not interlace, 'unexpected PNG layout'
        elif kind == b'IDAT':
            idat += body
        pos += 12 + size
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * step
    out, prev = bytearray(), bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - step] if i >= step else 0
            b = prev[i]
            c = prev[i - step] if i >= step else 0
            if kind == 1:
                row[i] = (row[i] + a) & 255
            elif kind == 2:
                row[i] = (row[i] + b) & 255
            elif kind == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = row
        if step == 4:
            row = row.copy()  # the filters of the next row need the alpha bytes
            del row[3::4]
        out += row
    return width, height, bytes(out)


def native_frame(capture_tool, ms):
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([capture_tool, '--at', str(ms), '--out', out], check=True,
                       cwd=os.path.dirname(os.path.dirname(capture_tool)),
                       stderr=subprocess.DEVNULL)
        with open(os.path.join(out, 't%06u.png' % ms), 'rb') as f:
            return read_png(f.read())


def console_errors(events):
    errors = []
    for e in events:
        p = e.get('params', {})
        if e['method'] == 'Runtime.consoleAPICalled' and p['type'] in ('error', 'assert'):
            errors.append(' '.join(str(a.get('value', a.get('description'))) for a in p['args']))
        elif e['method'] == 'Runtime.exceptionThrown':
            errors.append(p['exceptionDetails'].get('text', '') + ' ' +
                          str(p['exceptionDetails'].get('exception', {}).get('description')))
        elif e['method'] == 'Log.entryAdded' and p['entry']['level'] == 'error':
            errors.append(p['entry']['text'] + ' ' + p['entry'].get('url', ''))
    return errors


def main():
    web_dir, capture_tool = sys.argv[1], os.path.abspath(sys.argv[2])
    expected = native_frame(capture_tool, STILL_MS)
    server = serve(web_dir)
    url = 'http://127.0.0.1:%d/index.html' % server.server_address[1]
    failures = []
    with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
        browser = Browser(profile)
        try:
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
            seen = read_png(png)
            if seen[:2] != expected[:2]:
                failures.append('screenshot %dx%d, native frame %dx%d' % (seen[:2] + expected[:2]))
            else:
                differ = sum(1 for i in range(0, len(seen[2]), 3)
                             if seen[2][i:i + 3] != expected[2][i:i + 3])
                print('canvas at %s ms against the native frame: %d of %d pixels differ' %
                      (STILL_MS, differ, len(seen[2]) // 3))
                if differ:
                    failures.append('%d pixels differ from the native frame' % differ)

            browser.press('Escape', 27)
            browser.wait_for("document.getElementById('screen').hidden && "
                             "!document.getElementById('start').hidden", 5,
                             'the play button after Escape')
            if browser.evaluate('location.hash'):
                failures.append('the link moment stayed for the next play')

            # The gentle switch: a click on it does not start the show, and
            # the page remembers it.
            box = browser.evaluate("(() => { const r = document.getElementById('gentle')"
                                   ".getBoundingClientRect(); return [r.x + r.width / 2,"
                                   " r.y + r.height / 2]; })()")
            browser.click(*box)
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

            errors = console_errors(browser.events)
            for e in errors:
                failures.append('console error: ' + e)
        finally:
            browser.close()
            server.shutdown()
    for f in failures:
        print('FAIL:', f)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
