#!/usr/bin/python3
"""A hotspot's captive portal: every GET is redirected to a login address
of about 208 characters with no space in it (a session token).
  portal_server.py ADDRESS PORT"""
import sys
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LOCATION = "http://10.213.0.1/login?continue=hotspot-detect&session=" + "9f3c27ab" * 19


class Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(302)
        self.send_header("Location", LOCATION)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


ThreadingHTTPServer((sys.argv[1], int(sys.argv[2])), Handler).serve_forever()
