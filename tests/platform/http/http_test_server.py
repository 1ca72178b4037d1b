#!/usr/bin/env python3
"""A local HTTP/1.1 server for the HTTP client's tests and bench.

Binds 127.0.0.1 on a free port and prints "port N", then one line per event:
"open ID", "request ID METHOD PATH" and "closed ID" (ID numbers connections). Exits when its stdin reaches end of file.

GET  /target                  200 "arrived", with X-Mixed-Case and a repeated X-Repeated
GET  /redirect?to=LOCATION    302 with that Location (default /target) and body "moved"
ANY  /headers                 200, the request's header fields as a JSON object of
                              lower-case names; a request body is read and dropped
POST /echo                    200, the request body sent back
GET  /down?bytes=N[&chunked=1] N zero bytes, with Content-Length unless chunked
GET  /trickle?bytes=N&interval_ms=M[&piece=K]  N bytes, K (default 1) every M ms
GET  /stall?bytes=N           promises 2N bytes, sends N, then sends nothing more
ANY  /silent                  reads the request line and headers, never answers
GET  /answer?status=N&body=TEXT[&location=L]  that status and body, and a Location when given
ANY  /gate?name=G&parties=P&bytes=N[&status=S][&hold=1][&wait_ms=W]
                              waits until P requests of gate G are waiting together
                              ("gathered G"), then answers each with status S (default
                              200) and N zero bytes; with hold=1 only the last to arrive
                              is answered then, the others with 200 when /open?name=G
                              arrives; 503 when W ms (default 10000) pass first. A
                              request body is read first
GET  /open?name=G             releases the held requests of gate G
POST /early?read=N            reads N bytes of the body, answers 200 with an empty body
                              and "Connection: close" before the rest arrives, then reads
                              nothing more
POST /sink[?status=N]         reads the body, prints "body ID LENGTH CONTENT-TYPE BYTES"
                              (BYTES: the distinct byte values in hex, "-" for none), and
                              answers that status (default 200) with an empty body
"""
import itertools
import json
import os
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

_print_lock = threading.Lock()
_ids = itertools.count(1)
_zeros = memoryview(bytes(1 << 20))
_quiet_limit_seconds = 60
_gates = {}
_shared_lock = threading.Lock()


class Gate:
    def __init__(self):
        self.arrived = 0
        self.gathered = threading.Event()
        self.opened = threading.Event()


def gate_named(name):
    with _shared_lock:
        return _gates.setdefault(name, Gate())


def event(*words):
    with _print_lock:
        sys.stdout.write(" ".join(str(word) for word in words) + "\n")
        sys.stdout.flush()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def setup(self):
        super().setup()
        self.connection_id = next(_ids)
        event("open", self.connection_id)

    def finish(self):
        try:
            super().finish()
        finally:
            event("closed", self.connection_id)

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def dispatch(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        event("request", self.connection_id, self.command, url.path)
        route = {
            "/target": self.target,
            "/redirect": self.redirect,
            "/headers": self.headers_as_json,
            "/echo": self.echo,
            "/down": self.down,
            "/trickle": self.trickle,
            "/stall": self.stall,
            "/silent": self.silent,
            "/answer": self.scripted,
            "/gate": self.gate,
            "/open": self.open_gate,
            "/sink": self.sink,
            "/early": self.early,
        }.get(url.path)
        if route is None:
            self.answer(404, b"not found")
        else:
            route(query)

    def read_body(self):
        return self.rfile.read(int(self.headers.get("Content-Length", "0")))

    def answer(self, status, body, extra=()):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def scripted(self, query):
        extra = [("Location", query["location"])] if "location" in query else []
        self.answer(int(query.get("status", "200")), query.get("body", "").encode(), extra)

    def gate(self, query):
        self.read_body()
        name = query.get("name", "")
        hold = query.get("hold") == "1"
        wait = int(query.get("wait_ms", "10000")) / 1000
        gate = gate_named(name)
        with _shared_lock:
            gate.arrived += 1
            last = gate.arrived == int(query.get("parties", "1"))
        status = int(query.get("status", "200"))
        if last:
            event("gathered", name)
            gate.gathered.set()
            released = True
        elif hold:
            released = gate.opened.wait(wait)
            status = 200
        else:
            released = gate.gathered.wait(wait)
        if released:
            self.answer(status, bytes(int(query.get("bytes", "0"))))
        else:
            self.answer(503, b"the gate timed out")

    def open_gate(self, query):
        gate_named(query.get("name", "")).opened.set()
        self.answer(200, b"opened")

    def sink(self, query):
        body = self.read_body()
        values = "".join("%02x" % value for value in sorted(set(body))) or "-"
        event("body", self.connection_id, len(body), self.headers.get("Content-Type", "-"), values)
        self.answer(int(query.get("status", "200")), b"")

    def early(self, query):
        remaining = min(int(query.get("read", "0")), int(self.headers.get("Content-Length", "0")))
        while remaining > 0:
            piece = self.rfile.read(min(remaining, 65536))
            if not piece:
                break
            remaining -= len(piece)
        self.answer(200, b"", [("Connection", "close")])
        self.wait_for_close()

    def target(self, query):
        self.answer(200, b"arrived", [("X-Mixed-Case", "yes"), ("X-Repeated", "a"), ("X-Repeated", "b")])

    def redirect(self, query):
        self.answer(302, b"moved", [("Location", query.get("to", "/target"))])

    def headers_as_json(self, query):
        self.read_body()
        fields = {}
        for name, value in self.headers.items():
            key = name.lower()
            fields[key] = fields[key] + ", " + value if key in fields else value
        self.answer(200, json.dumps(fields).encode())

    def echo(self, query):
        self.answer(200, self.read_body(), [("Content-Type", "application/octet-stream")])

    def down(self, query):
        remaining = int(query.get("bytes", "0"))
        chunked = query.get("chunked") == "1"
        self.send_response(200)
        self.send_header("Cache-Control", "no-store")
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.send_header("Content-Length", str(remaining))
        self.end_headers()
        while remaining > 0:
            piece = _zeros[: min(remaining, len(_zeros))]
            if chunked:
                self.wfile.write(b"%x\r\n" % len(piece) + bytes(piece) + b"\r\n")
            else:
                self.wfile.write(piece)
            remaining -= len(piece)
        if chunked:
            self.wfile.write(b"0\r\n\r\n")

    def trickle(self, query):
        count = int(query.get("bytes", "10"))
        interval = int(query.get("interval_ms", "100")) / 1000
        piece = int(query.get("piece", "1"))
        self.send_response(200)
        self.send_header("Content-Length", str(count))
        self.end_headers()
        while count > 0:
            time.sleep(interval)
            self.wfile.write(b"x" * min(piece, count))
            count -= piece

    def stall(self, query):
        count = int(query.get("bytes", "100"))
        self.send_response(200)
        self.send_header("Content-Length", str(2 * count))
        self.end_headers()
        self.wfile.write(b"y" * count)
        self.wait_for_close()

    def silent(self, query):
        self.wait_for_close()

    def wait_for_close(self):
        # Reads nothing more, so an unread request body fills the socket's
        # buffers; ends when the client closes or after a minute.
        self.close_connection = True
        self.connection.settimeout(0.2)
        deadline = time.monotonic() + _quiet_limit_seconds
        while time.monotonic() < deadline:
            try:
                pending = self.connection.recv(1, socket.MSG_PEEK)
            except TimeoutError:
                continue
            except OSError:
                return
            if not pending:
                return
            time.sleep(0.02)


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # Clients that give up mid-answer are what several tests make.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


def exit_when_parent_goes():
    # The parent holds our stdin open; end of file means it is gone, and a
    # leftover server would hold its test runner's pipes open.
    sys.stdin.buffer.read()
    os._exit(0)


def main():
    threading.Thread(target=exit_when_parent_goes, daemon=True).start()
    server = Server(("127.0.0.1", 0), Handler)
    event("port", server.server_address[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
