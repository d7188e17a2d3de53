#!/usr/bin/env python3
"""A web server on 127.0.0.1 for the feed tests: feeds from a folder the
test fills, with validators, and the ways a server can be hostile. Prints
"PORT n" once it listens; logs every request with its If-None-Match and
status to stderr. Arguments: --ordner DIR."""
import hashlib
import http.server
import os
import sys
import time

MB = 1024 * 1024

ordner = None
argumente = sys.argv[1:]
while argumente:
    if argumente[0] == "--ordner":
        ordner = argumente[1]
        argumente = argumente[2:]
    else:
        sys.exit("unknown argument " + argumente[0])


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def log_request(self, code="-", size="-"):
        sys.stderr.write("%s inm=%s status=%s\n" % (
            self.requestline, self.headers.get("If-None-Match", ""), code))
        sys.stderr.flush()

    def antworten(self, status, inhalt=b"", kopf=None):
        self.send_response(status)
        for name, wert in (kopf or {}).items():
            self.send_header(name, wert)
        self.send_header("Content-Length", str(len(inhalt)))
        self.end_headers()
        if inhalt:
            self.wfile.write(inhalt)

    def strom(self, gesamt, stueck, pause):
        self.send_response(200)
        self.send_header("Content-Type", "application/rss+xml")
        self.send_header("Content-Length", str(gesamt))
        self.end_headers()
        gesendet = 0
        try:
            while gesendet < gesamt:
                n = min(stueck, gesamt - gesendet)
                self.wfile.write(b"<" if gesendet == 0 else b" " * n)
                self.wfile.flush()
                gesendet += n
                if pause:
                    time.sleep(pause)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def do_GET(self):
        p = self.path
        if p.startswith("/feed/"):
            name = os.path.basename(p[len("/feed/"):])
            try:
                with open(os.path.join(ordner, name), "rb") as f:
                    inhalt = f.read()
            except OSError:
                self.antworten(404)
                return
            etag = '"%s"' % hashlib.sha1(inhalt).hexdigest()[:16]
            art = "application/rss+xml"
            if os.path.exists(os.path.join(ordner, name + ".art")):
                with open(os.path.join(ordner, name + ".art")) as f:
                    art = f.read().strip()
            if self.headers.get("If-None-Match") == etag:
                self.antworten(304, b"", {"ETag": etag})
            else:
                self.antworten(200, inhalt, {"ETag": etag, "Content-Type": art})
        elif p == "/umzug":
            self.antworten(301, b"", {"Location": "/umzug2"})
        elif p == "/umzug2":
            self.antworten(308, b"", {"Location": "/feed/eins.xml"})
        elif p == "/zeitweilig":
            self.antworten(301, b"", {"Location": "/zeitweilig2"})
        elif p == "/zeitweilig2":
            self.antworten(302, b"", {"Location": "/feed/eins.xml"})
        elif p == "/schleife":
            self.antworten(302, b"", {"Location": "/schleife"})
        elif p == "/riesig":
            self.strom(100 * MB, 64 * 1024, 0)
        elif p == "/tropfen":
            self.strom(1000, 1, 1.0)
        elif p == "/stumm":
            time.sleep(3600)
        elif p == "/drossel":
            self.antworten(429, b"", {"Retry-After": "120"})
        else:
            self.antworten(404)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
print("PORT %d" % server.server_address[1], flush=True)
server.serve_forever()
