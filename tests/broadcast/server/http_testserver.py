#!/usr/bin/env python3
"""A web server on 127.0.0.1 for the broadcast tests: each path behaves in
one way a real server (or a hostile one) does. Prints "PORT n" once it
listens. Arguments: [--ordner DIR] [--port N] [--tls CERT KEY]."""
import email.utils
import gzip
import http.server
import os
import ssl
import sys
import time

LETZTE_AENDERUNG = "Wed, 09 Dec 2026 10:00:00 GMT"
ETAG = '"v1"'
MB = 1024 * 1024

ordner = None
tls = None
port = 0
argumente = sys.argv[1:]
while argumente:
    if argumente[0] == "--ordner":
        ordner = argumente[1]
        argumente = argumente[2:]
    elif argumente[0] == "--port":
        port = int(argumente[1])
        argumente = argumente[2:]
    elif argumente[0] == "--tls":
        tls = (argumente[1], argumente[2])
        argumente = argumente[3:]
    else:
        sys.exit("unknown argument " + argumente[0])


_bombe = None


def bombe():
    """50 MB of zeros, some 50 KB once compressed."""
    global _bombe
    if _bombe is None:
        _bombe = gzip.compress(b"\0" * (50 * MB), 9)
    return _bombe


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        sys.stderr.write("%s %s\n" % (self.requestline, self.headers.get("If-None-Match", "")))

    def antworten(self, status, inhalt=b"", kopf=None):
        self.send_response(status)
        for name, wert in (kopf or {}).items():
            self.send_header(name, wert)
        self.send_header("Content-Length", str(len(inhalt)))
        self.end_headers()
        if inhalt and self.command != "HEAD":
            self.wfile.write(inhalt)

    def weiter(self, ziel):
        self.antworten(302, b"", {"Location": ziel})

    def strom(self, gesamt, stueck, pause, laenge_nennen):
        self.send_response(200)
        if laenge_nennen:
            self.send_header("Content-Length", str(gesamt))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        gesendet = 0
        try:
            while gesendet < gesamt:
                n = min(stueck, gesamt - gesendet)
                self.wfile.write(b"x" * n)
                self.wfile.flush()
                gesendet += n
                if pause:
                    time.sleep(pause)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def datei(self, name):
        """A file of the folder with its validators, as a static server
        hands it out: an unchanged file costs a 304."""
        pfad = os.path.join(ordner, os.path.basename(name))
        try:
            st = os.stat(pfad)
            with open(pfad, "rb") as f:
                inhalt = f.read()
        except OSError:
            self.antworten(404)
            return
        etag = '"%x-%x"' % (st.st_mtime_ns, st.st_size)
        geaendert = email.utils.formatdate(st.st_mtime, usegmt=True)
        if self.headers.get("If-None-Match") == etag:
            self.antworten(304, b"", {"ETag": etag})
        else:
            self.antworten(200, inhalt, {"ETag": etag, "Last-Modified": geaendert})

    def do_GET(self):
        p = self.path
        if p.startswith("/boese/"):
            # A hostile path as a receiver asks for it:
            # /boese/NAME/broadcast.json and its ".minisig" behave as /NAME.
            p = "/" + p.split("/")[2]
        if p.startswith("http://") or p.startswith("https://"):
            # Asked as a proxy: the whole address is in the request line.
            self.antworten(200, b"proxy " + p.encode())
        elif p == "/ok":
            self.antworten(200, b"hallo", {"ETag": ETAG, "Last-Modified": LETZTE_AENDERUNG,
                                           "Cache-Control": "public, max-age=45"})
        elif p == "/bedingt":
            if (self.headers.get("If-None-Match") == ETAG
                    or self.headers.get("If-Modified-Since") == LETZTE_AENDERUNG):
                self.antworten(304, b"", {"ETag": ETAG})
            else:
                self.antworten(200, b"neu", {"ETag": ETAG, "Last-Modified": LETZTE_AENDERUNG})
        elif p.startswith("/kette/"):
            n = int(p[len("/kette/"):])
            if n > 0:
                self.weiter("/kette/%d" % (n - 1))
            else:
                self.antworten(200, b"ende")
        elif p == "/schleife":
            self.weiter("/schleife")
        elif p == "/gross":
            self.strom(10 * MB, 64 * 1024, 0, True)
        elif p == "/strom":
            self.strom(10 * MB, 64 * 1024, 0, False)
        elif p == "/tropfen":
            self.strom(1000, 1, 0.3, True)
        elif p == "/stumm":
            time.sleep(3600)
        elif p == "/langsam":
            time.sleep(1.0)
            self.antworten(200, b"spaet")
        elif p == "/zu-datei":
            self.weiter("file:///etc/hostname")
        elif p == "/gzip-bombe":
            self.antworten(200, bombe(), {"Content-Encoding": "gzip"})
        elif p == "/kopf-lang":
            self.antworten(200, b"x", {"X-Polster-%d" % i: "y" * 1000 for i in range(100)})
        elif p == "/drossel":
            self.antworten(429, b"", {"Retry-After": "120"})
        elif p == "/wartung":
            spaeter = email.utils.formatdate(time.time() + 600, usegmt=True)
            self.antworten(503, b"", {"Retry-After": spaeter})
        elif p.startswith("/datei/") and ordner:
            self.datei(p[len("/datei/"):])
        elif p == "/riesig":
            # 10 GB, announced: refused before it comes.
            self.strom(10 * 1024 * MB, 64 * 1024, 0, True)
        else:
            self.antworten(404)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


Server.allow_reuse_address = True
server = Server(("127.0.0.1", port), Handler)
if tls:
    kontext = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    kontext.load_cert_chain(tls[0], tls[1])
    server.socket = kontext.wrap_socket(server.socket, server_side=True)
print("PORT %d" % server.server_address[1], flush=True)
server.serve_forever()
