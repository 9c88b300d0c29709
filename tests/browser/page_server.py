#!/usr/bin/env python3
"""Runs a browser test program beside a local page server.

  page_server.py -- COMMAND...

Serves the test pages over plain HTTP on 127.0.0.1 and runs COMMAND with
  QOZ_TEST_PAGE_URL   http://127.0.0.1:PORT
  QOZ_TEST_DEAD_URL   http://127.0.0.1:PORT where nothing listens
Pages:
  /color/RRGGBB             the whole view in one colour
  /color/RRGGBBAA           the same over a transparent page background
  /title/TEXT               a page whose title is TEXT
  /popup/KIND               a click anywhere asks for a pop-up of /title/KIND:
                            KIND open (window.open), blank (a link with
                            target=_blank) or noopener (window.open, noopener)
  /dialogs                  runs alert, confirm and prompt; the title shows
                            what each returned
  /input                    the title describes the last input event
  /pointer                  the title describes the last mouse, wheel or key
                            event with its details, moves while a button is
                            held, and entering and leaving
  /menu                     a link to /title/linked at 0,0 (100 by 50), an area
                            that cancels context menus at 100,0 (100 by 50)
                            and a text field at 0,60 (100 by 30); after each
                            context menu event the title is "menu X Y", with
                            " cancelled" when it was
  /focus                    elements to focus: text, button, readonly, area
                            (a text area), editor (editable content)
  /upload                   a file input over the whole view (accepting .txt and
                            image/png, several files); the title lists the
                            chosen files' names and sizes
  /download/NAME            a file to save as NAME: "contents of NAME"
  /log/NAME                 a page whose title is NAME; the request is noted
  /logged                   a page whose title lists the noted NAMEs in order
  /framed/NAME              a page titled "framed" with a frame (id inner) of
                            /report/NAME
  /report/NAME              a page titled NAME that, shown in a frame, gives
                            the page around it the title NAME too
  /missing                  404 with a small page
  anything else             404
The server stops when COMMAND ends; its exit status is returned.
"""

import html
import http.server
import json
import os
import socket
import subprocess
import sys
import threading
import urllib.parse

STYLE = "html,body{margin:0;height:100%;overflow:hidden}"


def page(body_style, title="page", body=""):
    return ("<!doctype html><html><head><meta charset=utf-8><title>%s</title>"
            "<style>%s body{%s}</style></head><body>%s</body></html>"
            % (title, STYLE, body_style, body)).encode("utf-8")


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def reply(self, status, content):
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(content)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(content)

    def do_GET(self):
        parts = self.path.split("/")
        if len(parts) == 3 and parts[1] == "color" and len(parts[2]) in (6, 8):
            colour = parts[2]
            if len(colour) == 6:
                style = "background:#%s" % colour
            else:
                alpha = int(colour[6:], 16) / 255.0
                style = "background:rgba(%d,%d,%d,%.4f)" % (
                    int(colour[0:2], 16), int(colour[2:4], 16), int(colour[4:6], 16), alpha)
            self.reply(200, page(style, title=colour))
        elif len(parts) == 3 and parts[1] == "popup" and parts[2] in POPUP_ACTIONS:
            body = ("<a id=link href='/title/blank' target=_blank></a>"
                    "<script>addEventListener('click', () => %s)</script>"
                    % POPUP_ACTIONS[parts[2]])
            self.reply(200, page("background:#fff", title="popup", body=body))
        elif self.path == "/dialogs":
            self.reply(200, page("background:#fff", title="dialogs", body=DIALOGS))
        elif self.path == "/input":
            self.reply(200, page("background:#fff", title="input", body=INPUT))
        elif self.path == "/menu":
            self.reply(200, page("background:#fff", title="menu", body=MENU))
        elif self.path == "/focus":
            self.reply(200, page("background:#fff", title="focus", body=FOCUS))
        elif self.path == "/upload":
            self.reply(200, page("background:#fff", title="upload", body=UPLOAD))
        elif self.path == "/pointer":
            self.reply(200, page("background:#fff", title="pointer", body=POINTER))
        elif len(parts) == 3 and parts[1] == "download":
            content = ("contents of " + parts[2]).encode("utf-8")
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Disposition", "attachment; filename=%s" % parts[2])
            self.send_header("Content-Length", str(len(content)))
            self.end_headers()
            self.wfile.write(content)
        elif len(parts) == 3 and parts[1] == "log":
            with LOG_LOCK:
                LOGGED.append(urllib.parse.unquote(parts[2]))
            self.reply(200, page("background:#fff", title=urllib.parse.unquote(parts[2])))
        elif self.path == "/logged":
            with LOG_LOCK:
                names = " ".join(LOGGED)
            self.reply(200, page("background:#fff", title="logged " + names))
        elif len(parts) == 3 and parts[1] == "framed":
            body = "<iframe id=inner src='/report/%s'></iframe>" % parts[2]
            self.reply(200, page("background:#fff", title="framed", body=body))
        elif len(parts) == 3 and parts[1] == "report":
            name = urllib.parse.unquote(parts[2])
            body = "<script>parent.document.title = %s;</script>" % json.dumps(name)
            self.reply(200, page("background:#fff", title=html.escape(name), body=body))
        elif len(parts) == 3 and parts[1] == "title":
            self.reply(200, page("background:#fff", title=urllib.parse.unquote(parts[2])))
        else:
            self.reply(404, page("background:#fff", title="missing", body="not here"))


POPUP_ACTIONS = {
    "open": "window.open('/title/open')",
    "blank": "document.getElementById('link').click()",
    "noopener": "window.open('/title/noopener', '_blank', 'noopener')",
}

DIALOGS = """<script>
const answers = [alert('a'), confirm('c'), prompt('p', 'default')];
document.title = answers.map(String).join(' ');
</script>"""

INPUT = """<script>
const show = text => { document.title = text; };
addEventListener('mousedown', e => show('down ' + e.clientX + ' ' + e.clientY + ' ' + e.button + ' ' + e.detail));
addEventListener('mouseup', e => show('up ' + e.clientX + ' ' + e.clientY + ' ' + e.button + ' ' + e.detail));
addEventListener('keydown', e => show('keydown ' + e.key + ' ' + e.code + ' ' + e.keyCode));
addEventListener('keypress', e => show('char ' + e.key));
addEventListener('wheel', e => show('wheel ' + (e.deltaY > 0 ? 'down' : 'up')));
</script><div style="height:5000px"></div>"""


POINTER = """<script>
const show = text => { document.title = text; };
const at = e => e.clientX + ' ' + e.clientY + ' ' + e.button + ' ' + e.detail;
addEventListener('mousedown', e => show('down ' + at(e)));
addEventListener('mouseup', e => show('up ' + at(e)));
addEventListener('mousemove', e => { if (e.buttons) show('drag ' + e.clientX + ' ' + e.clientY); });
addEventListener('wheel', e => show('wheel ' + Math.sign(e.deltaX) + ' ' + Math.sign(e.deltaY)));
addEventListener('keydown', e => show('keydown ' + e.key));
addEventListener('keypress', e => show('char ' + e.key));
addEventListener('contextmenu', e => e.preventDefault());
document.documentElement.addEventListener('mouseenter', () => show('entered'));
document.documentElement.addEventListener('mouseleave', () => show('left'));
</script>"""

MENU = """<a id=link href="/title/linked"
 style="position:fixed;left:0;top:0;width:100px;height:50px;display:block">link</a>
<div id=quiet style="position:fixed;left:100px;top:0;width:100px;height:50px"></div>
<input id=field style="position:fixed;left:0;top:60px;width:100px;height:30px;border:0;padding:0">
<script>
document.getElementById('quiet').addEventListener('contextmenu', e => e.preventDefault());
addEventListener('contextmenu', e => setTimeout(() => {
  document.title = 'menu ' + e.clientX + ' ' + e.clientY + (e.defaultPrevented ? ' cancelled' : '');
}));
</script>"""

FOCUS = ('<input id=text><button id=button>b</button><input id=readonly readonly>'
         '<textarea id=area></textarea><div id=editor contenteditable>e</div>')

UPLOAD = """<input id=files type=file multiple accept=".txt, image/png"
 style="position:fixed;left:0;top:0;width:100%;height:100%;opacity:0">
<script>
const input = document.getElementById('files');
input.addEventListener('change', () => {
  document.title = 'files ' + Array.from(input.files).map(f => f.name + ':' + f.size).join(' ');
});
</script>"""

LOG_LOCK = threading.Lock()
LOGGED = []


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def main():
    command = sys.argv[sys.argv.index("--") + 1:]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    env = dict(os.environ)
    env["QOZ_TEST_PAGE_URL"] = "http://127.0.0.1:%d" % server.server_address[1]
    env["QOZ_TEST_DEAD_URL"] = "http://127.0.0.1:%d" % free_port()
    try:
        return subprocess.call(command, env=env)
    finally:
        server.shutdown()


if __name__ == "__main__":
    sys.exit(main())
