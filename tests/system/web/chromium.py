"""Headless Chromium driven over its DevTools pipe, and a quiet local web
server: what the browser build's tests and its speed measurement share. Only
Python's standard library."""
import functools
import http.server
import json
import os
import select
import subprocess
import threading
import time


class Browser:
    """Chromium with its DevTools protocol on file descriptors 3 and 4."""

    def __init__(self, profile):
        to_browser, self.write_end = os.pipe()
        self.read_end, from_browser = os.pipe()

        def pipes():
            # Through numbers above 4 first, so neither end lands on the other.
            a, b = os.dup(to_browser) + 10, os.dup(from_browser) + 10
            os.dup2(to_browser, a)
            os.dup2(from_browser, b)
            os.dup2(a, 3)
            os.dup2(b, 4)

        self.process = subprocess.Popen(
            ['chromium', '--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--remote-debugging-pipe', '--user-data-dir=' + profile, 'about:blank'],
            pass_fds=(3, 4, to_browser, from_browser), preexec_fn=pipes,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self.next_id = 0
        self.pending = b''
        self.events = []
        self.session = None

    def send(self, method, **params):
        self.next_id += 1
        message = {'id': self.next_id, 'method': method, 'params': params}
        if self.session:
            message['sessionId'] = self.session
        os.write(self.write_end, json.dumps(message).encode() + b'\0')
        while True:
            reply = self.receive()
            if reply.get('id') == self.next_id:
                if 'error' in reply:
                    raise RuntimeError(method + ': ' + reply['error']['message'])
                return reply['result']

    def receive(self):
        while b'\0' not in self.pending:
            # A browser that stops answering fails the test instead of holding it.
            if not select.select([self.read_end], [], [], 60)[0]:
                raise RuntimeError('no word from Chromium in 60 s')
            chunk = os.read(self.read_end, 1 << 20)
            if not chunk:
                raise RuntimeError('Chromium closed its pipe')
            self.pending += chunk
        message, self.pending = self.pending.split(b'\0', 1)
        message = json.loads(message)
        if 'method' in message:
            self.events.append(message)
        return message

    def open(self, url, width=640, height=480, phone_scale=None):
        """A new tab in a view of width x height at url, its console recorded.
        With phone_scale, the view is a phone's: that many device pixels to a
        CSS pixel, a touch screen, and the page's viewport tag obeyed."""
        target = self.send('Target.createTarget', url='about:blank')['targetId']
        self.session = self.send('Target.attachToTarget', targetId=target,
                                 flatten=True)['sessionId']
        for domain in ('Runtime', 'Log', 'Page'):
            self.send(domain + '.enable')
        if phone_scale:
            turned = dict(type='portraitPrimary', angle=0) if height > width else \
                dict(type='landscapePrimary', angle=90)
            self.send('Emulation.setDeviceMetricsOverride', width=width, height=height,
                      deviceScaleFactor=phone_scale, mobile=True, screenOrientation=turned)
            self.send('Emulation.setTouchEmulationEnabled', enabled=True, maxTouchPoints=5)
        else:
            self.send('Emulation.setDeviceMetricsOverride', width=width, height=height,
                      deviceScaleFactor=1, mobile=False)
        self.send('Page.navigate', url=url)

    def click(self, x, y):
        """A left click at (x, y) of the view, as a viewer's."""
        for kind in ('mousePressed', 'mouseReleased'):
            self.send('Input.dispatchMouseEvent', type=kind, x=x, y=y, button='left', clickCount=1)

    def tap(self, x, y):
        """A finger's short touch at (x, y) of the view."""
        self.send('Input.dispatchTouchEvent', type='touchStart', touchPoints=[dict(x=x, y=y)])
        self.send('Input.dispatchTouchEvent', type='touchEnd', touchPoints=[])

    def press(self, key, code):
        """A key pressed and released; code is its Windows key code."""
        for kind in ('keyDown', 'keyUp'):
            self.send('Input.dispatchKeyEvent', type=kind, key=key, code=key,
                      windowsVirtualKeyCode=code)

    def evaluate(self, expression, wait=False):
        result = self.send('Runtime.evaluate', expression=expression, returnByValue=True,
                           awaitPromise=wait)
        if 'exceptionDetails' in result:
            raise RuntimeError(expression + ': ' + str(result['exceptionDetails']))
        return result['result'].get('value')

    def wait_for(self, expression, seconds, what):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            try:
                if self.evaluate(expression):
                    return
            except RuntimeError:  # the page is not there yet
                pass
            time.sleep(0.05)
        raise AssertionError('timed out waiting for ' + what)

    def close(self):
        self.process.kill()
        self.process.wait()


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def end_headers(self):
        # A page isolated from other origins gets the browser's fine clock
        # (5 us steps instead of 100 us), which timing single frames needs.
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        super().end_headers()


def serve(directory):
    handler = functools.partial(QuietHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server
