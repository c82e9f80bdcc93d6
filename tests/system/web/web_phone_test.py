#!/usr/bin/env python3
"""The browser page on a phone: headless Chromium emulating one (touch, three
device pixels to a CSS pixel), upright at 390x844 and turned at 844x390.

For each: serves build-web/ on a local port, opens the page at the title's
still moment (#t=12.8), taps its play button, and checks that the canvas is
where the page's layout rule puts it, that the music is heard, and that every
device pixel the picture covers shows the native capture's frame at 13000 ms:
the show pixel that falls on it, each show pixel a whole block of device
pixels at a whole scale. The console shows no error. The screens are kept in
build-web/ to look at.

The layout rule: the 320x240 picture, 4:3 and centred, its corner on a device
pixel. Upright, it spans the width. Otherwise each show pixel is a whole
number of device pixels when that gives at least seven eighths of the largest
picture that fits, else the picture is the largest that fits.

usage: web_phone_test.py BUILD_WEB_DIR NATIVE_CAPTURE_TOOL
"""
import base64
import math
import os
import struct
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
from page import (LINK_MOMENT, STILL_MS, centre_of, chromium_on, console_errors,  # noqa: E402
                  finish, native_frame)

RATIO = 3  # device pixels to a CSS pixel, as most phones have
VIEWS = [('upright', 390, 844), ('turned', 844, 390)]
BLACK = bytes(3)  # the page around the picture


def picture_size(width, height, ratio):
    """The picture's size in device pixels by the rule, in a view of width x
    height CSS pixels, and its scale in device pixels per show pixel."""
    fit = min(width * ratio / 320, height * ratio / 240)
    whole = math.floor(fit)
    scale = whole if height <= width and whole >= max(1, 0.875 * fit) else fit
    return 320 * scale, 240 * scale, scale


def show_pixels(frame):
    """The 320x240 show pixels of a native 640x480 frame (each drawn 2x2)."""
    width, height, rgb = frame
    return [[rgb[(2 * y * width + 2 * x) * 3:(2 * y * width + 2 * x) * 3 + 3]
             for x in range(width // 2)] for y in range(height // 2)]


def off_pixels(shot, box, scale, show):
    """How many device pixels inside the picture's box show another colour
    than the show pixel under their centre. At a whole scale every one must;
    at another, the browser rounds the picture's edges to device pixels and
    spreads the difference over its rows and columns, so a device pixel may
    show any show pixel that lies within two device pixels of its centre, or
    the page's black where the picture's edge is that near."""
    width, _, rgb = shot
    x0, y0, w, h = box
    slack = 0 if scale == int(scale) else 2
    edge = [d for d in range(slack)] + [d for d in range(h - slack, h)]
    edge_columns = {d for d in range(slack)} | {d for d in range(w - slack, w)}

    def sources(d, count):
        return sorted({min(max(int((d + 0.5 + s) / scale), 0), count - 1)
                       for s in (-slack, 0, slack)})

    columns = [sources(dx, 320) for dx in range(w)]
    nominal = [min(max(int((dx + 0.5) / scale), 0), 319) for dx in range(w)]
    off = 0
    for dy in range(h):
        rows = sources(dy, 240)
        at = ((y0 + dy) * width + x0) * 3
        line = rgb[at:at + w * 3]
        main = show[min(max(int((dy + 0.5) / scale), 0), 239)]
        if line == b''.join(main[c] for c in nominal):
            continue
        for dx, near in enumerate(columns):
            seen = line[dx * 3:dx * 3 + 3]
            if seen == BLACK and (dy in edge or dx in edge_columns):
                continue
            if not any(show[r][c] == seen for r in rows for c in near):
                off += 1
    return off


def pixels(png):
    """A PNG's pixels as (width, height, RGB bytes), through ImageMagick: a
    phone's screen is eight times a 640x480 one, too many for read_png."""
    width, height = struct.unpack('>II', png[16:24])
    rgb = subprocess.run(['convert', 'png:-', '-depth', '8', 'rgb:-'], input=png,
                         capture_output=True, check=True).stdout
    return width, height, rgb


def main():
    web_dir, capture_tool = sys.argv[1], os.path.abspath(sys.argv[2])
    began = time.monotonic()
    show = show_pixels(native_frame(capture_tool, STILL_MS))
    failures = []
    with chromium_on(web_dir) as (browser, url):
        url += '#t=' + LINK_MOMENT
        for name, width, height in VIEWS:
            browser.open(url, width, height, phone_scale=RATIO)
            browser.wait_for("!document.getElementById('play').hidden", 60, 'the play button')
            with open(os.path.join(web_dir, 'page_phone_%s_start.png' % name), 'wb') as f:
                f.write(base64.b64decode(browser.send('Page.captureScreenshot')['data']))
            browser.tap(*centre_of(browser, 'play'))
            browser.wait_for("!document.getElementById('screen').hidden", 10, 'the canvas')
            shown = time.monotonic()
            try:
                browser.wait_for("document.documentElement.dataset.sound === 'music'", 1,
                                 'the music')
            except AssertionError:
                failures.append('%s: the music was not heard within a second' % name)
            time.sleep(max(0, shown + 0.6 - time.monotonic()))
            png = base64.b64decode(browser.send('Page.captureScreenshot')['data'])
            with open(os.path.join(web_dir, 'page_phone_%s.png' % name), 'wb') as f:
                f.write(png)

            # Where the canvas is, in device pixels, against the rule.
            view = browser.evaluate("[innerWidth, innerHeight, devicePixelRatio]")
            print('%s: the music decoded in %s ms' % (name, browser.evaluate('sound.decodeMs')))
            rect = browser.evaluate("(() => { const r = document.getElementById('screen')"
                                    ".getBoundingClientRect(); return [r.x, r.y, r.width,"
                                    " r.height]; })()")
            placed = [v * RATIO for v in rect]
            w, h, scale = picture_size(width, height, RATIO)
            print('%s: view %s, canvas at %s device pixels, %gx%g by the rule (scale %.3f)'
                  % (name, view, [round(v, 2) for v in placed], w, h, scale))
            if view != [width, height, RATIO]:
                failures.append('%s: the view is %s' % (name, view))
            if abs(placed[2] - w) > 0.05 or abs(placed[3] - h) > 0.05:
                failures.append('%s: the canvas is %gx%g device pixels, not %gx%g'
                                % (name, placed[2], placed[3], w, h))
            # Centred within a CSS pixel, its corner on a device pixel.
            rooms = (width * RATIO - w, height * RATIO - h)
            for corner, room in zip(placed[:2], rooms):
                if abs(corner - room / 2) > RATIO or abs(corner - round(corner)) > 0.05:
                    failures.append('%s: the canvas corner at %s device pixels, its room %g'
                                    % (name, placed[:2], room))
            wanted = (round(placed[0]), round(placed[1]), w, h)

            shot = pixels(png)
            if shot[:2] != (width * RATIO, height * RATIO):
                failures.append('%s: screenshot %dx%d' % ((name,) + shot[:2]))
                continue
            inside = (int(wanted[0]), int(wanted[1]), int(wanted[2]), int(wanted[3]))
            off = off_pixels(shot, inside, scale, show)
            print('%s: %d of %d device pixels differ from the native frame at %d ms'
                  % (name, off, inside[2] * inside[3], STILL_MS))
            if off:
                failures.append('%s: %d device pixels differ from the native frame'
                                % (name, off))
            browser.send('Page.close')
            browser.session = None
        for e in console_errors(browser.events):
            failures.append('console error: ' + e)
    print('phone: %.1f s in all' % (time.monotonic() - began))
    return finish(failures)


if __name__ == '__main__':
    sys.exit(main())
