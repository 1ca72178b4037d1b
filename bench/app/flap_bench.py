#!/usr/bin/python3
"""Measures the running application on a link that flaps (see flap.sh), with
the popover open: a steady phase, then the client's link going down and up,
a change every 200 ms, then every 50 ms. For each phase: tool
starts a second (SpawnCount.c preloaded), CPU of the process and its
children as a share of one core, and the captive-portal check requests a
minute that reached the pages (portal_pages.py's log). Prints one "result"
line per phase for flap.sh.
  flap_bench.py SECONDS CLIENT_IF PORTAL_LOG SPAWN_LIBRARY"""
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "app", "desktop"))
import desktop_test as desk  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """The process's own CPU and that of the children it has waited for."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return sum(int(fields[i]) for i in (11, 12, 13, 14)) / TICKS


def spawned(path):
    with open(path) as count:
        text = count.read().strip()
    return int(text) if text else 0


def portal_requests(path):
    with open(path) as log:
        lines = log.read().splitlines()
    return sum(1 for line in lines if line.startswith("http ")), sum(1 for line in lines if line == "https")


class Flapper:
    """Sets the client's end of the link down and up again through one
    `ip -force -batch`: down, the kernel drops its routes and every tool
    fails at once; up, the default routes come back."""

    def __init__(self, interface):
        self.interface = interface
        self.ip = subprocess.Popen(["ip", "-force", "-batch", "-"], stdin=subprocess.PIPE, text=True,
                                   stderr=subprocess.DEVNULL)
        self.changes = 0

    def run(self, seconds, spacing):
        """A change every `spacing` seconds, ending with the link up."""
        down = False
        start = time.monotonic()
        step = 0
        while time.monotonic() - start < seconds:
            down = not down
            self.set(down)
            step += 1
            time.sleep(max(0.0, start + step * spacing - time.monotonic()))
        if down:
            self.set(False)

    def set(self, down):
        if down:
            commands = f"link set {self.interface} down\n"
        else:
            commands = (f"link set {self.interface} up\n"
                        f"route replace default via 10.213.0.1 dev {self.interface}\n"
                        f"-6 route replace default via fe80::1 dev {self.interface}\n")
        self.ip.stdin.write(commands)
        self.ip.stdin.flush()
        self.changes += 1

    def close(self):
        self.ip.stdin.close()
        self.ip.wait(10)


def main():
    seconds = int(sys.argv[1])
    client_if, portal_log, library = sys.argv[2:5]
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    # Its IPv6 addresses stay while it is down, as its IPv4 address does.
    subprocess.run(["sysctl", "-qw", f"net.ipv6.conf.{client_if}.keep_addr_on_down=1"], check=True)
    desktop = desk.Desktop(tray=True)
    flapper = Flapper(client_if)
    try:
        home = os.path.join(desktop.tmp, "home")
        os.makedirs(os.path.join(home, ".config", "lumra"), exist_ok=True)
        with open(os.path.join(home, ".config", "lumra", "defaults.json"), "w") as f:
            json.dump({"internetPingTarget": "10.213.0.1", "batteryFriendly": True}, f)
        count_file = os.path.join(desktop.tmp, "spawned")
        open(count_file, "w").close()
        app = desk.start_app(desktop, {"LD_PRELOAD": library, "LUMRA_SPAWN_COUNT": count_file})
        icon = desk.wait_for(lambda: next((w for w in desk.windows_of(app.pid) if w["mapped"] and w["width"] < 40),
                                          None), 10, "the tray icon")
        desk.click(icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2)
        desk.wait_for(lambda: desk.popover(app.pid), 10, "the popover")
        time.sleep(3)

        for name, spacing in (("steady", None), ("every 200 ms", 0.2), ("every 50 ms", 0.05)):
            starts, cpu, (http, https) = spawned(count_file), cpu_seconds(app.pid), portal_requests(portal_log)
            began = time.monotonic()
            changes = flapper.changes
            if spacing is None:
                time.sleep(seconds)
            else:
                flapper.run(seconds, spacing)
            took = time.monotonic() - began
            starts_after, cpu_after, (http_after, https_after) = (
                spawned(count_file), cpu_seconds(app.pid), portal_requests(portal_log))
            print(f"result\t{name}\t{(starts_after - starts) / took:.2f}\t{(cpu_after - cpu) * 100 / took:.1f}\t"
                  f"{(http_after - http) * 60 / took:.0f}\t{(https_after - https) * 60 / took:.0f}\t"
                  f"{flapper.changes - changes}", flush=True)
            # The link settles before the next phase.
            time.sleep(3)
        if desk.popover(app.pid) is None:
            desk.fail("the popover closed during the measurement")
        app.terminate()
        app.wait(10)
    finally:
        flapper.close()
        desktop.close()


if __name__ == "__main__":
    main()
