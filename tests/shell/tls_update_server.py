#!/usr/bin/python3
"""An HTTPS server on 127.0.0.1 (a free port) with a freshly made
self-signed certificate, answering every GET with an update record. Prints
"port N", then "request PATH" for each request that got past the TLS
handshake. Exits when its standard input closes. argv: a scratch directory."""
import http.server
import os
import ssl
import subprocess
import sys
import threading

directory = sys.argv[1]
key = os.path.join(directory, "key.pem")
certificate = os.path.join(directory, "certificate.pem")
subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                "-keyout", key, "-out", certificate],
               check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

RECORD = (b'{"version":"2.1.0","buildNumber":121,"releaseDate":"2026-12-10",'
          b'"downloadUrl":"https://downloads.example.test/a.dmg"}')


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        print("request " + self.path, flush=True)
        self.send_response(200)
        self.send_header("Content-Length", str(len(RECORD)))
        self.end_headers()
        self.wfile.write(RECORD)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(certificate, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
print("port %d" % server.server_address[1], flush=True)
sys.stdin.read()
