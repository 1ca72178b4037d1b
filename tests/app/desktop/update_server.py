#!/usr/bin/python3
"""An update service announcing one build: GET /update answers its record.
Arguments: port, build number, pid file[, version]."""
import json
import os
import sys
from http.server import BaseHTTPRequestHandler, HTTPServer

PORT, BUILD, PIDFILE = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
VERSION = sys.argv[4] if len(sys.argv) > 4 else "9.9.9"
RECORD = json.dumps({"version": VERSION, "buildNumber": BUILD, "releaseDate": "2026-12-10",
                     "downloadUrl": "lumra-9.9.9.dmg", "releaseNotes": "Faster."}).encode()


class Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        body = RECORD if self.path.startswith("/update") else b""
        self.send_response(200 if body else 404)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


with open(PIDFILE, "w") as f:
    f.write(str(os.getpid()))
HTTPServer(("127.0.0.1", PORT), Handler).serve_forever()
