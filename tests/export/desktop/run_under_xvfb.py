#!/usr/bin/env python3
"""Runs a program on a private Xvfb display: the server picks a free display
(-displayfd), the program gets it in DISPLAY with the xcb platform, and the
server is ended by its own process id afterwards.

usage: run_under_xvfb.py PROGRAM [ARGS...]"""
import os
import subprocess
import sys


def main():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        number = b""
        with os.fdopen(read_end, "rb") as reader:
            while not number.endswith(b"\n"):
                chunk = reader.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            print("Xvfb did not start", file=sys.stderr)
            return 1
        environment = dict(os.environ, DISPLAY=":" + number.decode().strip(), QT_QPA_PLATFORM="xcb")
        return subprocess.run(sys.argv[1:], env=environment, timeout=240).returncode
    finally:
        server.terminate()
        try:
            server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()


if __name__ == "__main__":
    sys.exit(main())
