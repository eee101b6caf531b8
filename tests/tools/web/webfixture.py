#!/usr/bin/python3
"""Small page server for the browser tests: 127.0.0.1 only, prints its port, then serves.

Every path /NAME.html answers a page titled "Page NAME" with a link to each other page;
/nolinks.html has no links; /slow.html waits before it answers; /links.html has a link meant
for a new window over its top 100 pixels and a mail link over the next 100.
"""
import http.server
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        name = self.path.lstrip("/").split("?")[0]
        if not name.endswith(".html"):
            self.send_error(404)
            return
        name = name[:-5]
        if name == "slow":
            time.sleep(8)
        links = "" if name == "nolinks" else '<a href="a.html">a</a> <a href="b.html">b</a>'
        if name == "links":
            box = ' style="position:fixed;left:0;top:%dpx;width:400px;height:100px"'
            links = ('<a href="a.html" target="_blank"%s>new</a><a href="mailto:notes@'
                     'example.org?subject=Hello"%s>mail</a>' % (box % 0, box % 100))
        body = ("<html><head><title>Page %s</title></head><body><p id='p'>%s</p>%s</body></html>"
                % (name, name, links)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", int(sys.argv[1]) if len(sys.argv) > 1 else 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
