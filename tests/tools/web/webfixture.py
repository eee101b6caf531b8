#!/usr/bin/python3
"""Small page server for the browser tests: 127.0.0.1 only, prints its port, then serves.

Every path /NAME.html answers a page titled "Page NAME" with a link to each other page;
/nolinks.html has no links; /slow.html waits before it answers; /links.html has a link meant
for a new window over its top 100 pixels and a mail link over the next 100.

Files that come as downloads, linked by /files.html in 100-pixel bands from the top: /data.zip
(DATA; with ?slow in eighths, 1 s apart), /notes (text as the attachment "notes.txt") and
/cut.zip (announces DATA, closes after a third of it).
"""
import http.server
import sys
import time

DATA = b"0123456789" * 314573
BOX = ' style="position:fixed;left:0;top:%dpx;width:400px;height:100px"'


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        name, _, query = self.path.lstrip("/").partition("?")
        if name in ("data.zip", "cut.zip", "notes"):
            self.send_file(name, query)
            return
        if not name.endswith(".html"):
            self.send_error(404)
            return
        name = name[:-5]
        if name == "slow":
            time.sleep(8)
        links = "" if name == "nolinks" else '<a href="a.html">a</a> <a href="b.html">b</a>'
        if name == "links":
            links = ('<a href="a.html" target="_blank"%s>new</a><a href="mailto:notes@'
                     'example.org?subject=Hello"%s>mail</a>' % (BOX % 0, BOX % 100))
        if name == "files":
            links = "".join('<a href="%s"%s>%s</a>' % (link, BOX % (100 * i), link) for i, link
                            in enumerate(("data.zip", "notes", "cut.zip", "data.zip?slow")))
        body = ("<html><head><title>Page %s</title></head><body><p id='p'>%s</p>%s</body></html>"
                % (name, name, links)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def send_file(self, name, query):
        notes = name == "notes"
        body = b"First line\r\nSecond line\r\n" if notes else DATA
        self.send_response(200)
        self.send_header("Content-Type", "text/plain" if notes else "application/zip")
        if notes:
            self.send_header("Content-Disposition", 'attachment; filename="notes.txt"')
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if name == "cut.zip":
            body = body[:len(body) // 3]
        parts = 8 if query == "slow" else 1
        for i in range(parts):
            self.wfile.write(body[len(body) * i // parts:len(body) * (i + 1) // parts])
            self.wfile.flush()
            time.sleep(1 if parts > 1 else 0)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", int(sys.argv[1]) if len(sys.argv) > 1 else 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
