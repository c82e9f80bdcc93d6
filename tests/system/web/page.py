"""What the page tests share: the moment they look at, the native frame to
hold the page to, PNGs read with the standard library, the page served with
Chromium started on it and both closed whatever happens, the console's errors,
and the failures printed at the end. Only Python's standard library."""
import contextlib
import os
import struct
import subprocess
import tempfile
import zlib

from chromium import Browser, serve

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


def differing(seen, expected):
    """How many pixels of two same-sized RGB pictures differ."""
    a, b = seen[2], expected[2]
    return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])


def against_frame(png, expected, label, failures):
    """The screenshot png against the native frame, pixel for pixel: what
    differs is printed and added to failures."""
    seen = read_png(png)
    if seen[:2] != expected[:2]:
        failures.append('screenshot %dx%d, native frame %dx%d' % (seen[:2] + expected[:2]))
        return
    differ = differing(seen, expected)
    print('%s at %s ms against the native frame: %d of %d pixels differ' %
          (label, STILL_MS, differ, len(seen[2]) // 3))
    if differ:
        failures.append('%d pixels differ from the native frame' % differ)


def centre_of(browser, element):
    """The middle of the page's element of that id, in CSS pixels of the view."""
    return browser.evaluate("(() => { const r = document.getElementById('%s')"
                            ".getBoundingClientRect(); return [r.x + r.width / 2,"
                            " r.y + r.height / 2]; })()" % element)


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


@contextlib.contextmanager
def chromium_on(web_dir):
    """build-web/ served on a free port of 127.0.0.1 and headless Chromium in
    a fresh profile: (the browser, the page's address). Both are ended
    however the test ends."""
    server = serve(web_dir)
    try:
        with tempfile.TemporaryDirectory(ignore_cleanup_errors=True) as profile:
            browser = Browser(profile)
            try:
                yield browser, 'http://127.0.0.1:%d/index.html' % server.server_address[1]
            finally:
                browser.close()
    finally:
        server.shutdown()


def finish(failures):
    """Each failure printed; the test's exit status."""
    for f in failures:
        print('FAIL:', f)
    return 1 if failures else 0
