"""WebKitGTK, the engine of Safari's family, as a bare browser window on a
private X display: the same calls as chromium.py's Browser (open, click,
evaluate, wait_for, screenshot, close), so that a page test can drive either.

Debian's WebKitGTK browsers do not fit a test: their WebDriver sessions are
private ones, and WebKit keeps the console of a private session to itself;
Epiphany has no console outside its inspector. So the window here is
WebKitGTK's own web view alone, in a GTK window exactly as large as the view
asked for, with the setting that writes the page's console to standard output.
It runs in Debian's python3 (which has the GTK bindings) as a child process,
reading commands on its standard input and answering on file descriptor 3.
The viewer's part is played through the X server: clicks with xdotool, the
screen read back with ImageMagick's import, so the page gets real input and
the test sees what a screen shows.

usage (the child's side): /usr/bin/python3 webkit.py WIDTH HEIGHT
"""
import json
import os
import select
import subprocess
import sys
import threading

import chromium

HERE = os.path.abspath(__file__)
# The longest a command may take: a browser that stops answering fails the
# test instead of holding it.
ANSWER_SECONDS = 60


class WebKit:
    """A WebKitGTK window filling a fresh Xvfb display of its own."""

    def __init__(self, profile, width=640, height=480):
        self.size = (width, height)
        self.xvfb = None
        self.process = None
        # A display number no other test holds: Xvfb picks it and says which.
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ['Xvfb', '-displayfd', str(write_end), '-screen', '0', '%dx%dx24' % self.size,
             '-nolisten', 'tcp'], pass_fds=(write_end,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            self.close()
            raise RuntimeError('Xvfb did not start')
        self.env = dict(os.environ, DISPLAY=':' + number, NO_AT_BRIDGE='1',
                        GDK_BACKEND='x11', XDG_DATA_HOME=os.path.join(profile, 'data'),
                        XDG_CACHE_HOME=os.path.join(profile, 'cache'),
                        XDG_CONFIG_HOME=os.path.join(profile, 'config'),
                        PYTHONDONTWRITEBYTECODE='1')
        if os.getuid() == 0:
            # WebKit's web process sandbox (bubblewrap) cannot start as root.
            self.env['WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS'] = '1'

        answer_read, answers = os.pipe()
        self.process = subprocess.Popen(
            ['/usr/bin/python3', HERE, str(width), str(height)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            env=self.env, pass_fds=(3, answers), preexec_fn=lambda: os.dup2(answers, 3))
        os.close(answers)
        self.answers = os.fdopen(answer_read)
        # Everything the browser and its web process print, the page's console
        # among it, kept line by line; a full pipe would stop them.
        self.output = []
        threading.Thread(target=self._drain, daemon=True).start()
        self.next_id = 0
        try:
            self.version = 'WebKitGTK ' + self.send('version')
        except RuntimeError:
            self.close()
            raise

    def _drain(self):
        for line in self.process.stdout:
            self.output.append(line.decode(errors='replace').rstrip())

    def send(self, op, **params):
        self.next_id += 1
        self.process.stdin.write((json.dumps(dict(params, id=self.next_id, op=op)) + '\n').encode())
        self.process.stdin.flush()
        if not select.select([self.answers], [], [], ANSWER_SECONDS)[0]:
            raise RuntimeError('%s: no answer from WebKitGTK in %d s' % (op, ANSWER_SECONDS))
        line = self.answers.readline()
        if not line:
            raise RuntimeError('the WebKitGTK window closed:\n' + '\n'.join(self.output))
        reply = json.loads(line)
        if 'error' in reply:
            raise RuntimeError(op + ': ' + reply['error'])
        return reply.get('value')

    def open(self, url, width=None, height=None):
        """The window's view at url; it is as large as the display, whatever
        width and height say."""
        self.send('load', url=url)

    def click(self, x, y):
        """A left click at (x, y) of the view, through the X server."""
        subprocess.run(['xdotool', 'mousemove', str(int(x)), str(int(y)), 'click', '1'],
                       env=self.env, check=True)

    def press(self, key):
        """A key pressed and released, by its X name (Escape, Return, ...)."""
        subprocess.run(['xdotool', 'key', key], env=self.env, check=True)

    def evaluate(self, expression, wait=False):
        """The expression's value in the page, through JSON; a promise is not
        waited for here."""
        return self.send('evaluate', expression=expression)

    # Polls evaluate() as Chromium's driver does.
    wait_for = chromium.Browser.wait_for

    def screenshot(self, x, y, width, height):
        """A PNG of that part of the screen, as X holds it."""
        return subprocess.run(['import', '-window', 'root', '-crop',
                               '%dx%d+%d+%d' % (width, height, x, y), '+repage', 'png24:-'],
                              env=self.env, check=True, capture_output=True).stdout

    def console(self):
        """The page's console lines as WebKit writes them ('CONSOLE ERROR',
        'CONSOLE JS ERROR', 'CONSOLE WARN', ...), and failed loads ('CONSOLE
        LOAD ERROR')."""
        return [line for line in self.output if ' CONSOLE ' in line]

    def console_errors(self):
        """The errors among them, as lines."""
        return [line for line in self.console() if 'ERROR' in line.split(' CONSOLE ', 1)[1][:20]]

    def close(self):
        for p in (self.process, self.xvfb):
            if p:
                p.kill()
                p.wait()


def shell(width, height):
    """The child: a GTK window holding one web view, driven over stdin."""
    import gi
    gi.require_version('Gtk', '3.0')
    gi.require_version('WebKit2', '4.1')
    from gi.repository import GLib, Gtk, WebKit2

    answers = os.fdopen(3, 'w')

    def answer(reply):
        answers.write(json.dumps(reply) + '\n')
        answers.flush()

    settings = WebKit2.Settings()
    settings.set_enable_write_console_messages_to_stdout(True)
    # The show's pixels as the page draws them, without a GPU to vary them.
    settings.set_hardware_acceleration_policy(WebKit2.HardwareAccelerationPolicy.NEVER)
    view = WebKit2.WebView.new_with_settings(settings)
    window = Gtk.Window(title='page')
    window.set_decorated(False)
    window.set_default_size(width, height)
    window.move(0, 0)
    window.add(view)
    window.connect('destroy', Gtk.main_quit)
    window.show_all()

    # Files that failed to load, which WebKit's console output leaves out
    # (Chromium and Firefox show them on the console), written beside it.
    def finished(resource, uri):
        response = resource.get_response()
        if response and response.get_status_code() >= 400:
            print('%s: CONSOLE LOAD ERROR %d' % (uri, response.get_status_code()), flush=True)

    def failed(resource, error, uri):
        # A load WebKit gave up itself (the document went on) is no fault.
        if not error.matches(WebKit2.NetworkError.quark(), WebKit2.NetworkError.CANCELLED):
            print('%s: CONSOLE LOAD ERROR %s' % (uri, error.message), flush=True)

    def load_started(view, resource, request):
        resource.connect('finished', finished, request.get_uri())
        resource.connect('failed', failed, request.get_uri())

    view.connect('resource-load-started', load_started)

    def evaluated(view, result, reply):
        try:
            done, value = json.loads(view.evaluate_javascript_finish(result).to_json(0))
            reply['value' if done else 'error'] = value
        except GLib.Error as e:
            reply['error'] = e.message
        answer(reply)

    def command(source, condition):
        line = sys.stdin.readline()
        if not line:
            Gtk.main_quit()
            return False
        c = json.loads(line)
        reply = {'id': c['id']}
        if c['op'] == 'load':
            view.load_uri(c['url'])
        elif c['op'] == 'evaluate':
            # Caught in the page, so that the test's own mistakes and waits
            # for what is not there yet stay off the page's console.
            script = ('(() => { try { return [true, (%s)]; }'
                      ' catch (e) { return [false, String(e)]; } })()' % c['expression'])
            view.evaluate_javascript(script, -1, None, None, None, evaluated, reply)
            return True
        elif c['op'] == 'version':
            reply['value'] = '%d.%d.%d' % (WebKit2.get_major_version(),
                                           WebKit2.get_minor_version(),
                                           WebKit2.get_micro_version())
        answer(reply)
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    Gtk.main()


if __name__ == '__main__':
    shell(int(sys.argv[1]), int(sys.argv[2]))
