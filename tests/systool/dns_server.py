#!/usr/bin/env python3
"""A small DNS server for the dig stand-in tests. What it does depends on
the first label of the asked name:
  nx...        NXDOMAIN with an SOA record in the authority section
  servfail...  SERVFAIL
  silent...    reads the query and never answers
  norec...     an answer without the "recursion available" flag
  slowNNN...   an answer after NNN milliseconds
  anything else: an A record 10.213.0.9 (TTL 60), and a CNAME first for
  names beginning with "alias".
An OPT record in the query is answered with one (UDP size 1232).
  dns_server.py ADDRESS PORT    prints "port N" once bound (PORT 0: any)."""
import socket
import struct
import sys
import threading
import time


def read_name(message, offset):
    labels = []
    while True:
        length = message[offset]
        offset += 1
        if length == 0:
            return labels, offset
        labels.append(message[offset:offset + length])
        offset += length


def encode_name(labels):
    return b"".join(bytes([len(label)]) + label for label in labels) + b"\x00"


def record(name, rtype, ttl, data):
    return name + struct.pack(">HHIH", rtype, 1, ttl, len(data)) + data


def respond(query):
    ident, flags, qdcount, _, _, arcount = struct.unpack(">HHHHHH", query[:12])
    labels, end = read_name(query, 12)
    qtype, qclass = struct.unpack(">HH", query[end:end + 4])
    question = query[12:end + 4]
    first = labels[0].lower() if labels else b""
    if first.startswith(b"silent"):
        return None, 0
    delay = 0
    if first.startswith(b"slow"):
        digits = first[4:].decode()
        delay = int(digits) if digits.isdigit() else 0
    rcode = 0
    ra = 0x0080
    answers = []
    authority = []
    if first.startswith(b"nx"):
        rcode = 3
        soa = (encode_name([b"ns", b"test"]) + encode_name([b"admin", b"test"]) +
               struct.pack(">IIIII", 2026121001, 3600, 600, 86400, 300))
        authority.append(record(encode_name(labels[-1:]), 6, 300, soa))
    elif first.startswith(b"servfail"):
        rcode = 2
    else:
        if first.startswith(b"norec"):
            ra = 0
        owner = b"\xc0\x0c"
        if first.startswith(b"alias"):
            target = encode_name([b"target"] + labels[1:])
            answers.append(record(owner, 5, 120, target))
            owner = target
        if qtype == 1:
            answers.append(record(owner, 1, 60, socket.inet_aton("10.213.0.9")))
    opt = b""
    if arcount > 0:
        opt = b"\x00" + struct.pack(">HHIH", 41, 1232, 0, 0)
    header = struct.pack(">HHHHHH", ident, 0x8000 | (flags & 0x0100) | ra | rcode,
                         1, len(answers), len(authority), 1 if opt else 0)
    return header + question + b"".join(answers) + b"".join(authority) + opt, delay


def main():
    address, port = sys.argv[1], int(sys.argv[2])
    family = socket.AF_INET6 if ":" in address else socket.AF_INET
    server = socket.socket(family, socket.SOCK_DGRAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((address, port))
    print("port", server.getsockname()[1], flush=True)
    while True:
        query, peer = server.recvfrom(4096)
        try:
            reply, delay = respond(query)
        except (IndexError, struct.error):
            continue
        if reply is None:
            continue
        if delay:
            threading.Timer(delay / 1000, server.sendto, (reply, peer)).start()
        else:
            server.sendto(reply, peer)


if __name__ == "__main__":
    main()
