#!/usr/bin/env python3
"""The page's layout, fullscreen and touch controls, in headless Chromium.

- The layout rule (the page's pictureBox) on the screens viewers have: each
  picture 4:3 and centred, upright spanning the width, otherwise whole device
  pixels per show pixel where that loses at most an eighth, else as large as
  fits; the canvas where the rule puts it, after the view changes too.
- Fullscreen: F in and out leaves the show playing; leaving fullscreen any
  other way (where Escape only does that) stops it.
- A phone (390x844 at 3 device pixels a CSS pixel, touch): a double tap
  toggles fullscreen and the show plays on; a stop button stops it.
The console shows no error. Only Python's standard library and Chromium.

usage: web_layout_test.py BUILD_WEB_DIR
"""
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
from page import chromium_on, console_errors, finish  # noqa: E402

# screen, CSS width and height, device pixels per CSS pixel, and the picture
# the rule gives it: CSS width, device pixels per show pixel (None: uneven).
SCREENS = [
    ('desktop 1920x1080, fullscreen', 1920, 1080, 1, 1280, 4),
    ('desktop 1440x900', 1440, 900, 1, 1200, None),
    ('desktop 2560x1440', 2560, 1440, 1, 1920, 6),
    ('window 640x480', 640, 480, 1, 640, 2),
    ('laptop at 125%, browser window', 1536, 826, 1.25, 1024, 4),
    ('laptop at 150%', 1280, 720, 1.5, 853.3333333333334, 4),
    ('browser zoom 110%, 1745x982', 1745, 982, 1.1, 1163.6363636363635, 4),
    ('phone upright 390x844', 390, 844, 3, 390, None),
    ('phone upright 360x800', 360, 800, 3, 360, None),
    ('phone upright 412x915', 412, 915, 2.625, 412, None),
    ('phone on its side 844x390', 844, 390, 3, 520, None),
    ('phone on its side 915x412', 915, 412, 2.625, 487.6190476190476, 4),
    ('a small window 200x150', 200, 150, 1, 200, None),
]


def layout_rule(browser, fail):
    for name, width, height, ratio, expect_width, expect_scale in SCREENS:
        box = browser.evaluate('pictureBox(%d, %d, %r)' % (width, height, ratio))
        if abs(box['width'] - expect_width) > 1e-6 or abs(box['height'] * 4 - box['width'] * 3) > 1e-6:
            fail('%s: picture %.2fx%.2f, expected %.2f wide, 4:3' %
                 (name, box['width'], box['height'], expect_width))
        whole = box['scale'] == int(box['scale'])
        if (expect_scale is None and whole) or (expect_scale and box['scale'] != expect_scale):
            fail('%s: %s device pixels per show pixel, expected %s' %
                 (name, box['scale'], expect_scale or 'the largest that fits'))
        if box['width'] > width or box['height'] > height:
            fail('%s: the picture does not fit' % name)
        # Centred to a pixel, its corner on a device pixel.
        for at, size, room in (('x', box['width'], width), ('y', box['height'], height)):
            if abs(box[at] - (room - size) / 2) > 1:
                fail('%s: %s %.2f is not centred' % (name, at, box[at]))
            if abs(box[at] * ratio - round(box[at] * ratio)) > 1e-6:
                fail('%s: %s %.2f is not on a device pixel' % (name, at, box[at]))


def canvas_box(browser):
    return browser.evaluate("(() => { const r = document.getElementById('screen')"
                            ".getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })()")


def rule_box(browser):
    b = browser.evaluate('pictureBox(innerWidth, innerHeight, devicePixelRatio)')
    return [b['x'], b['y'], b['width'], b['height']]


def follows_the_view(browser, fail):
    for width, height, ratio in ((640, 480, 1), (1000, 500, 1), (400, 700, 3)):
        browser.send('Emulation.setDeviceMetricsOverride', width=width, height=height,
                     deviceScaleFactor=ratio, mobile=False)
        time.sleep(0.2)
        seen, rule = canvas_box(browser), rule_box(browser)
        if any(abs(a - b) > 0.02 for a, b in zip(seen, rule)):
            fail('%dx%d at %s: the canvas at %s, the rule says %s' % (width, height, ratio, seen, rule))
    browser.send('Emulation.setDeviceMetricsOverride', width=640, height=480,
                 deviceScaleFactor=1, mobile=False)


def fullscreen(browser, fail):
    browser.press('f', 70)
    browser.wait_for('!!document.fullscreenElement', 2, 'fullscreen')
    browser.press('f', 70)
    browser.wait_for('!document.fullscreenElement', 2, 'fullscreen left')
    time.sleep(0.2)
    if browser.evaluate('document.documentElement.dataset.show') != 'playing':
        fail("the show stopped when F left fullscreen")
    # The browser leaves fullscreen itself, as Escape does where the page never sees it.
    browser.press('f', 70)
    browser.wait_for('!!document.fullscreenElement', 2, 'fullscreen again')
    browser.evaluate('document.exitFullscreen()', wait=True)
    try:
        browser.wait_for("document.documentElement.dataset.show == 'ready'", 2,
                         'the show stopped by leaving fullscreen')
    except AssertionError as e:
        fail(str(e))


def tap(browser, x, y):
    for kind, points in (('touchStart', [dict(x=x, y=y)]), ('touchEnd', [])):
        browser.send('Input.dispatchTouchEvent', type=kind, touchPoints=points)


def phone(browser, fail):
    browser.send('Emulation.setDeviceMetricsOverride', width=390, height=844,
                 deviceScaleFactor=3, mobile=True)
    browser.send('Emulation.setTouchEmulationEnabled', enabled=True, maxTouchPoints=5)
    browser.send('Page.reload')
    browser.wait_for("document.documentElement.dataset.show == 'ready'", 30, 'the play button')
    tap(browser, 195, 420)
    browser.wait_for("document.documentElement.dataset.show == 'playing'", 3, 'the show')
    if browser.evaluate("document.getElementById('stop').hidden"):
        fail('no stop button on a touch screen')
    time.sleep(0.5)  # apart from the tap that started it
    tap(browser, 195, 420)
    tap(browser, 195, 420)
    try:
        browser.wait_for('!!document.fullscreenElement', 2, 'fullscreen on a double tap')
        if browser.evaluate("document.documentElement.dataset.show") != 'playing':
            fail('the show stopped on a double tap')
        if canvas_box(browser) != rule_box(browser):
            fail('in fullscreen the canvas at %s, the rule says %s' % (canvas_box(browser), rule_box(browser)))
        r = browser.evaluate("(() => { const r = document.getElementById('stop')"
                             ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()")
        tap(browser, *r)
        browser.wait_for("document.documentElement.dataset.show == 'ready'", 2,
                         'the show stopped by its stop button')
    except AssertionError as e:
        fail(str(e))


def main():
    failures = []
    with chromium_on(sys.argv[1]) as (browser, url):
        try:
            browser.open(url)
            browser.wait_for("document.documentElement.dataset.show == 'ready'", 30, 'the play button')
            layout_rule(browser, failures.append)
            browser.click(320, 240)
            browser.wait_for("document.documentElement.dataset.show == 'playing'", 3, 'the show')
            follows_the_view(browser, failures.append)
            fullscreen(browser, failures.append)
            phone(browser, failures.append)
            failures += ['console error: ' + e for e in console_errors(browser.events)]
        except AssertionError as e:
            failures.append(str(e))
    return finish(failures)


if __name__ == '__main__':
    sys.exit(main())
