#!/usr/bin/env python3
"""A DNS server for the fault tests, bound to ADDRESS PORT:
  silent    reads every query and never answers
  servfail  answers every query with SERVFAIL
Prints "ready" once bound and exits when its standard input closes."""
import os
import socket
import struct
import sys
import threading


def servfail(query):
    ident = query[:2]
    # QR, the query's opcode and RD kept, RA, RCODE 2; the question echoed.
    flags = 0x8000 | (struct.unpack(">H", query[2:4])[0] & 0x7900) | 0x0080 | 2
    question = query[12:]
    end = question.index(b"\x00") + 5
    return ident + struct.pack(">HHHHH", flags, 1, 0, 0, 0) + question[:end]


def exit_when_parent_goes():
    sys.stdin.buffer.read()
    os._exit(0)


def main():
    address, port, mode = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    threading.Thread(target=exit_when_parent_goes, daemon=True).start()
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((address, port))
    print("ready", flush=True)
    while True:
        query, peer = server.recvfrom(512)
        if mode == "servfail" and len(query) > 12:
            try:
                server.sendto(servfail(query), peer)
            except ValueError:
                pass


if __name__ == "__main__":
    main()
