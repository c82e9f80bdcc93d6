"""Headless Firefox driven over WebDriver BiDi, which Firefox serves itself on
a WebSocket: no geckodriver, no npm package. The same calls as chromium.py's
Browser (open, click, evaluate, wait_for, screenshot, close), so that a page
test can drive either. Only Python's standard library."""
import base64
import json
import os
import re
import socket
import struct
import subprocess
import threading
import time

import chromium

# Firefox's own traffic kept off the network, and nothing between the page and
# the test: no first-run pages, no updates, no telemetry, no safe browsing.
PREFS = {
    'app.update.disabledForTesting': True,
    'browser.aboutwelcome.enabled': False,
    'browser.safebrowsing.malware.enabled': False,
    'browser.safebrowsing.phishing.enabled': False,
    'browser.safebrowsing.downloads.enabled': False,
    'browser.safebrowsing.blockedURIs.enabled': False,
    'browser.shell.checkDefaultBrowser': False,
    'browser.startup.homepage_override.mstone': 'ignore',
    'browser.startup.page': 0,
    'datareporting.policy.dataSubmissionEnabled': False,
    'datareporting.healthreport.uploadEnabled': False,
    'extensions.update.enabled': False,
    'network.captive-portal-service.enabled': False,
    'network.connectivity-service.enabled': False,
    'network.dns.disablePrefetch': True,
    'network.http.speculative-parallel-limit': 0,
    'services.settings.server': 'http://127.0.0.1:9/',
    'app.normandy.enabled': False,
    'messaging-system.rsexperimentloader.enabled': False,
    'toolkit.telemetry.enabled': False,
    'toolkit.telemetry.server': '',
    'dom.push.connection.enabled': False,
    'geo.provider.network.url': '',
    # Whatever else it would fetch goes to a proxy on a closed local port:
    # nothing leaves the machine. The page's own server, on the loopback
    # address, is reached directly.
    'network.proxy.type': 1,
    'network.proxy.http': '127.0.0.1',
    'network.proxy.http_port': 9,
    'network.proxy.ssl': '127.0.0.1',
    'network.proxy.ssl_port': 9,
    'network.proxy.share_proxy_settings': True,
    # Sound needs the viewer's gesture, as in Firefox's own default.
    'media.autoplay.default': 1,
}


# The longest a command may take: a browser that stops answering fails the
# test instead of holding it.
ANSWER_SECONDS = 60


class WebSocket:
    """A client's side of RFC 6455, text messages only: what BiDi needs."""

    def __init__(self, host, port, path):
        self.sock = socket.create_connection((host, port), timeout=ANSWER_SECONDS)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(('GET %s HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\n'
                           'Connection: Upgrade\r\nSec-WebSocket-Key: %s\r\n'
                           'Sec-WebSocket-Version: 13\r\n\r\n' % (path, host, port, key)).encode())
        head = b''
        while b'\r\n\r\n' not in head:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise RuntimeError('Firefox closed the WebSocket before answering')
            head += chunk
        head, self.pending = head.split(b'\r\n\r\n', 1)
        if b' 101 ' not in head.split(b'\r\n')[0]:
            raise RuntimeError('WebSocket refused: ' + head.decode(errors='replace'))

    def send(self, text):
        data = text.encode()
        mask = os.urandom(4)
        if len(data) < 126:
            head = struct.pack('!BB', 0x81, 0x80 | len(data))
        elif len(data) < 1 << 16:
            head = struct.pack('!BBH', 0x81, 0x80 | 126, len(data))
        else:
            head = struct.pack('!BBQ', 0x81, 0x80 | 127, len(data))
        masked = bytes(b ^ mask[i & 3] for i, b in enumerate(data))
        self.sock.sendall(head + mask + masked)

    def read(self, n):
        while len(self.pending) < n:
            chunk = self.sock.recv(1 << 20)
            if not chunk:
                raise RuntimeError('Firefox closed the WebSocket')
            self.pending += chunk
        out, self.pending = self.pending[:n], self.pending[n:]
        return out

    def receive(self):
        """The next whole text message; pings and continuations handled."""
        message = b''
        while True:
            first, second = self.read(2)
            size = second & 0x7f
            if size == 126:
                size = struct.unpack('!H', self.read(2))[0]
            elif size == 127:
                size = struct.unpack('!Q', self.read(8))[0]
            body = self.read(size)  # a server's frames are not masked
            opcode = first & 0x0f
            if opcode == 0x8:
                raise RuntimeError('Firefox closed the WebSocket')
            if opcode == 0x9:  # ping: answered with a masked pong
                mask = os.urandom(4)
                self.sock.sendall(struct.pack('!BB', 0x8a, 0x80 | len(body)) + mask +
                                  bytes(b ^ mask[i & 3] for i, b in enumerate(body)))
                continue
            if opcode in (0x0, 0x1):
                message += body
                if first & 0x80:
                    return message.decode()


class Firefox:
    """Firefox ESR, headless, its WebDriver BiDi on a port it picks itself."""

    def __init__(self, profile):
        with open(os.path.join(profile, 'user.js'), 'w') as f:
            for name, value in PREFS.items():
                f.write('user_pref(%s, %s);\n' % (json.dumps(name), json.dumps(value)))
        env = dict(os.environ, MOZ_CRASHREPORTER_DISABLE='1')
        self.process = subprocess.Popen(
            ['firefox-esr', '--headless', '--no-remote', '--profile', profile,
             '--remote-debugging-port=0', 'about:blank'],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
        # Firefox names its port on stderr; the rest of stderr is drained and
        # kept, so that a full pipe never stops it.
        found = threading.Event()
        self.port = None
        self.stderr = []

        def drain():
            for line in self.process.stderr:
                line = line.decode(errors='replace').rstrip()
                self.stderr.append(line)
                m = re.search(r'WebDriver BiDi listening on ws://127\.0\.0\.1:(\d+)', line)
                if m:
                    self.port = int(m.group(1))
                    found.set()
            found.set()

        threading.Thread(target=drain, daemon=True).start()
        if not found.wait(60) or not self.port:
            self.close()
            raise RuntimeError('Firefox did not start its WebDriver BiDi server:\n' +
                               '\n'.join(self.stderr))
        self.socket = WebSocket('127.0.0.1', self.port, '/session')
        self.next_id = 0
        self.events = []
        self.context = None
        caps = self.send('session.new', capabilities={})['capabilities']
        self.version = 'Firefox %s' % caps['browserVersion']

    def send(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        end = time.monotonic() + ANSWER_SECONDS
        while True:
            if time.monotonic() > end:
                raise RuntimeError('%s: no answer from Firefox in %d s' % (method, ANSWER_SECONDS))
            reply = json.loads(self.socket.receive())
            if reply.get('type') == 'event':
                self.events.append(reply)
            elif reply.get('id') == self.next_id:
                if reply.get('type') == 'error':
                    raise RuntimeError('%s: %s: %s' % (method, reply['error'], reply['message']))
                return reply['result']

    def open(self, url, width=640, height=480):
        """The browser's tab in a view of width x height at url, its console
        (and failed loads) recorded from the first page opened on."""
        if not self.context:
            self.context = self.send('browsingContext.getTree')['contexts'][0]['context']
            self.send('session.subscribe', events=['log.entryAdded', 'network.responseCompleted',
                                                   'network.fetchError'])
        self.send('browsingContext.setViewport', context=self.context,
                  viewport=dict(width=width, height=height), devicePixelRatio=1)
        self.send('browsingContext.navigate', context=self.context, url=url, wait='none')

    def click(self, x, y):
        """A left click at (x, y) of the view, as a viewer's."""
        self.send('input.performActions', context=self.context, actions=[{
            'type': 'pointer', 'id': 'mouse', 'parameters': {'pointerType': 'mouse'},
            'actions': [{'type': 'pointerMove', 'x': int(x), 'y': int(y)},
                        {'type': 'pointerDown', 'button': 0},
                        {'type': 'pointerUp', 'button': 0}]}])

    def press(self, key):
        """A key pressed and released, named as the page sees it."""
        keys = {'Escape': '\ue00c', 'Enter': '\ue007'}
        value = keys.get(key, key)
        self.send('input.performActions', context=self.context, actions=[{
            'type': 'key', 'id': 'keyboard',
            'actions': [{'type': 'keyDown', 'value': value}, {'type': 'keyUp', 'value': value}]}])

    def evaluate(self, expression, wait=False):
        # Through JSON, for plain Python values instead of BiDi's typed ones.
        script = '(async () => JSON.stringify(%s(%s)))()' % ('await ' if wait else '', expression)
        result = self.send('script.evaluate', expression=script, awaitPromise=True,
                           target={'context': self.context}, resultOwnership='none')
        if result['type'] == 'exception':
            raise RuntimeError(expression + ': ' + result['exceptionDetails']['text'])
        value = result['result'].get('value')
        return None if value is None else json.loads(value)

    # Polls evaluate() as Chromium's driver does.
    wait_for = chromium.Browser.wait_for

    def screenshot(self, x, y, width, height):
        """A PNG of that part of the view, as the screen shows it."""
        shot = self.send('browsingContext.captureScreenshot', context=self.context,
                         origin='viewport', format={'type': 'image/png'},
                         clip={'type': 'box', 'x': x, 'y': y, 'width': width, 'height': height})
        return base64.b64decode(shot['data'])

    def console_errors(self):
        """Errors on the page's console, uncaught exceptions, and files that
        failed to load, as lines."""
        errors = []
        for e in self.events:
            p = e['params']
            if e['method'] == 'log.entryAdded' and p['level'] == 'error':
                errors.append(p.get('text') or str(p))
            elif e['method'] == 'network.responseCompleted' and p['response']['status'] >= 400:
                errors.append('%d %s' % (p['response']['status'], p['request']['url']))
            elif e['method'] == 'network.fetchError':
                errors.append(p['errorText'] + ' ' + p['request']['url'])
        return list(dict.fromkeys(errors))  # a file's failure once

    def close(self):
        self.process.kill()
        self.process.wait()
