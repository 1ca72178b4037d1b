#!/usr/bin/env python3
"""A tiny DNS server for the live probe tests: answers every A query with
10.213.0.9 (or the address given as --answer=ADDRESS), or with --silent
reads queries and never answers. Prints "ready" once bound.
  dns_responder.py ADDRESS PORT [--silent] [--answer=ADDRESS]"""
import socket
import struct
import sys


def answer(query, address):
    ident = query[:2]
    flags = struct.pack(">H", 0x8180)
    counts = struct.pack(">HHHH", 1, 1, 0, 0)
    question = query[12:]
    end = question.index(b"\x00") + 5
    question = question[:end]
    record = b"\xc0\x0c" + struct.pack(">HHIH", 1, 1, 60, 4) + socket.inet_aton(address)
    return ident + flags + counts + question + record


def main():
    address, port = sys.argv[1], int(sys.argv[2])
    silent = "--silent" in sys.argv
    answered = next((a.split("=", 1)[1] for a in sys.argv[3:] if a.startswith("--answer=")), "10.213.0.9")
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((address, port))
    print("ready", flush=True)
    while True:
        query, peer = server.recvfrom(512)
        if not silent and len(query) > 12:
            server.sendto(answer(query, answered), peer)


if __name__ == "__main__":
    main()
