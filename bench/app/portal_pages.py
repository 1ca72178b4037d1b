#!/usr/bin/python3
"""The two captive-portal check pages for the flap bench, inside its router
namespace (the client's DNS server answers every name with this address):
port 80 answers every GET with a page holding "Success"; port 443 accepts a
connection and closes it, which ends the HTTPS check's handshake at once.
Each request appends a line, "http PATH" or "https", to LOG.
  portal_pages.py ADDRESS LOG"""
import socket
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

_lock = threading.Lock()


def note(log, line):
    with _lock:
        log.write(line + "\n")
        log.flush()


def main():
    address, log = sys.argv[1], open(sys.argv[2], "a")

    class Page(BaseHTTPRequestHandler):
        def do_GET(self):
            note(log, "http " + self.path)
            body = b"<HTML><HEAD><TITLE>Success</TITLE></HEAD><BODY>Success</BODY></HTML>"
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    pages = ThreadingHTTPServer((address, 80), Page)
    threading.Thread(target=pages.serve_forever, daemon=True).start()
    secure = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    secure.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    secure.bind((address, 443))
    secure.listen(64)
    print("ready", flush=True)
    while True:
        connection, _ = secure.accept()
        note(log, "https")
        connection.close()


if __name__ == "__main__":
    main()
