#!/usr/bin/env python3
"""The web page as one file: index.html with its scripts inline and the
program and data (varno-style.wasm, varno-style.data) carried in it, so that
it plays from file:// or any server with no other request. page.js fetches
the two by name; a few lines ahead of it answer those two fetches from the
bytes carried here instead of the network. Everything else is the page as
the web zip holds it; the zip's LICENSE.txt and NOTICES.txt, where the folder
holds them, come at the page's end in a comment.

usage: single.py WEB_FOLDER OUT.html
"""
import base64
import os
import sys

CARRIED = ('varno-style.wasm', 'varno-style.data')
SCRIPTS = ('varno-style.js', 'page.js')

ANSWERS = '''<script>
// This page carries its program and data: page.js fetches them by name, and
// the answers come from here, without the network.
(() => {
  const carried = {
%s
  };
  const decoded = {};
  const bytes = (name) => {
    if (!decoded[name]) {
      const text = atob(carried[name]);
      const b = new Uint8Array(text.length);
      for (let i = 0; i < text.length; i++)
        b[i] = text.charCodeAt(i);
      decoded[name] = b;
    }
    return decoded[name];
  };
  const fetchFromNetwork = window.fetch.bind(window);
  window.fetch = (url, options) => {
    if (typeof url !== 'string' || !Object.hasOwn(carried, url))
      return fetchFromNetwork(url, options);
    const body = bytes(url);
    const head = options && options.method === 'HEAD';
    return Promise.resolve(new Response(head ? null : body.slice(), {
      headers: { 'Content-Length': String(body.length), 'Content-Type': 'application/octet-stream' },
    }));
  };
})();
</script>
'''


def inline_script(text, name):
    # Nothing in a script may close its element early.
    if '</script' in text.lower():
        raise SystemExit('single.py: %s holds "</script"' % name)
    return '<script>\n' + text.rstrip('\n') + '\n</script>'


def main():
    folder, out = sys.argv[1], sys.argv[2]
    with open(os.path.join(folder, 'index.html'), encoding='utf-8') as f:
        page = f.read()
    lines = []
    for name in CARRIED:
        with open(os.path.join(folder, name), 'rb') as f:
            lines.append("    '%s': '%s'," % (name, base64.b64encode(f.read()).decode('ascii')))
    for i, name in enumerate(SCRIPTS):
        tag = '<script src="%s"></script>' % name
        if page.count(tag) != 1:
            raise SystemExit('single.py: index.html does not load %s once' % name)
        with open(os.path.join(folder, name), encoding='utf-8') as f:
            script = inline_script(f.read(), name)
        if i == 0:
            script = ANSWERS % '\n'.join(lines) + script
        page = page.replace(tag, script)
    texts = []
    for name in ('LICENSE.txt', 'NOTICES.txt'):
        path = os.path.join(folder, name)
        if os.path.exists(path):
            with open(path, encoding='utf-8') as f:
                texts.append('==== %s ====\n\n%s' % (name, f.read()))
    if texts:
        text = '\n'.join(texts)
        if '-->' in text or '--!>' in text:
            raise SystemExit('single.py: the texts would end their comment early')
        page = page.replace('</body>', '<!--\n%s-->\n</body>' % text)
    with open(out, 'w', encoding='utf-8', newline='\n') as f:
        f.write(page)


if __name__ == '__main__':
    main()
