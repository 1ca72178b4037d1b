#!/usr/bin/python3
"""Fresh scans for an unprivileged user, inside the simulated-radio VM in the
root scene/host-root builds from the host's own directories. As root: a
system bus of the VM's own, a stand-in NetworkManager on it that runs the
real trigger (iw, as root) for each RequestScan on the station's device, and
one scan as root so the kernel's cache holds the scene. Then the scene
changes: lumra-ap-ch3 stops, and its radio comes back as lumra-ap-late on
channel 11 with another address. Then, as nobody, one scan and one
three-pass channel scan (lumra-vm-fresh-scan). Prints result lines (JSON).

  fresh_scan_in_vm.py PROBE STATION
"""
import json
import os
import signal
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
PYTHON = "/usr/bin/python3"
SERVICES = os.path.join(TESTS, "platform", "wireless", "fake_network_services.py")
BUS_SOCKET = "/run/dbus/system_bus_socket"
NOBODY = 65534
STOPPED = "wlan1"
LATE_SSID = "lumra-ap-late"
LATE_CHANNEL = 11
LATE_ADDRESS = "02:00:00:00:aa:01"
DEVICE_PATH = "/org/freedesktop/NetworkManager/Devices/4"
# The scene's band, 2.4 GHz channels 1 to 11: a scan of every channel the
# radio has, while associated, takes tens of seconds under emulation.
SCENE_FREQUENCIES = [str(2412 + 5 * index) for index in range(11)]

BUS_CONFIG = f"""<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path={BUS_SOCKET}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
  <policy user="root">
    <allow own="*"/>
  </policy>
</busconfig>
"""


def emit(step, **fields):
    print(json.dumps({"step": step, **fields}), flush=True)


def log(text):
    print(f"fresh-scan: {text}", file=sys.stderr, flush=True)


def mac(interface):
    with open(f"/sys/class/net/{interface}/address") as address:
        return address.read().strip()


def start_bus():
    os.makedirs(os.path.dirname(BUS_SOCKET), exist_ok=True)
    with open("/tmp/system-bus.conf", "w") as config:
        config.write(BUS_CONFIG)
    daemon = subprocess.Popen(["dbus-daemon", "--nofork", "--nopidfile", "--config-file=/tmp/system-bus.conf",
                               "--print-address=1"], stdout=subprocess.PIPE, text=True)
    address = daemon.stdout.readline().strip()
    log(f"system bus at {address}")
    return daemon, address


class StandIn:
    """The stand-in NetworkManager; its event lines are kept."""

    def __init__(self, address, station):
        config = {"networkManager": {"scan": "command", "scanCommand": ["iw", "dev", station, "scan", "trigger", "freq"] + SCENE_FREQUENCIES,
                                     "scanEvents": ["stdbuf", "-oL", "iw", "event"],
                                     "devices": [{"path": "/org/freedesktop/NetworkManager/Devices/1",
                                                  "interface": "lo", "wifi": False},
                                                 {"path": DEVICE_PATH, "interface": station, "wifi": True}]}}
        log("starting the stand-in NetworkManager")
        self.process = subprocess.Popen([PYTHON, SERVICES, address, json.dumps(config)], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        ready = self.process.stdout.readline().strip()
        log(f"stand-in: {ready!r}")
        if ready != "ready":
            raise RuntimeError("the stand-in NetworkManager did not start")
        self.lines = []
        self.reader = threading.Thread(target=self.read, daemon=True)
        self.reader.start()

    def read(self):
        for line in self.process.stdout:
            self.lines.append((round(time.monotonic(), 3), line.strip()))

    def stop(self):
        self.process.terminate()
        self.process.wait()


def root_scan(station):
    """A scan as root (trigger and wait), so the cache holds the scene."""
    for attempt in range(20):
        started = time.monotonic()
        try:
            done = subprocess.run(["iw", "dev", station, "scan", "freq"] + SCENE_FREQUENCIES, capture_output=True,
                                  text=True, timeout=30)
        except subprocess.TimeoutExpired:
            log(f"iw scan attempt {attempt} did not end in 30 s")
            continue
        log(f"iw scan attempt {attempt}: exit {done.returncode} after {time.monotonic() - started:.1f} s "
            f"{done.stderr.strip()}")
        if done.returncode == 0:
            return sorted({line.split()[1][:17] for line in done.stdout.splitlines() if line.startswith("BSS ")})
        time.sleep(0.2)
    return None


def change_scene():
    """lumra-ap-ch3 stops; its radio comes back as another access point."""
    stopped = {"bssid": mac(STOPPED), "ssid": "lumra-ap-ch3"}
    with open(f"/run/hostapd-{STOPPED}.pid") as pid_file:
        hostapd = int(pid_file.read())
    os.kill(hostapd, signal.SIGTERM)
    deadline = time.monotonic() + 10
    while os.path.exists(f"/proc/{hostapd}") and time.monotonic() < deadline:
        time.sleep(0.05)
    subprocess.run(["ip", "link", "set", STOPPED, "down"], check=True)
    subprocess.run(["ip", "link", "set", STOPPED, "address", LATE_ADDRESS], check=True)
    with open("/run/hostapd-late.conf", "w") as config:
        config.write(f"interface={STOPPED}\ndriver=nl80211\nctrl_interface=/run/hostapd\nssid={LATE_SSID}\n"
                     f"hw_mode=g\nchannel={LATE_CHANNEL}\n")
    subprocess.run(["hostapd", "-B", "-P", "/run/hostapd-late.pid", "/run/hostapd-late.conf"], check=True,
                   stdout=subprocess.DEVNULL)
    started = {"bssid": mac(STOPPED), "ssid": LATE_SSID, "channel": LATE_CHANNEL}
    return stopped, started


def as_nobody(command):
    done = subprocess.run(command, capture_output=True, text=True, user=NOBODY, group=NOBODY, extra_groups=[],
                          env={"PATH": os.environ["PATH"], "HOME": "/tmp", "LUMRA_LOG": "1"}, timeout=150)
    sys.stderr.write(done.stderr)
    for line in done.stdout.splitlines():
        if line.startswith("{"):
            print(line, flush=True)
    return done.returncode


def main():
    probe, station = sys.argv[1], sys.argv[2]
    daemon, address = start_bus()
    stand_in = StandIn(address, station)
    try:
        emit("baseline", seen=root_scan(station))
        log("baseline scanned")
        stopped, started = change_scene()
        log("scene changed")
        emit("sceneChange", stopped=stopped, started=started)
        # Old enough that no scan after this moment can count the stopped one.
        time.sleep(2)
        marks = {"scan": time.monotonic()}
        as_nobody([probe, "scan"])
        log("scanned as nobody")
        marks["channelScan"] = time.monotonic()
        as_nobody([probe, "channel-scan", station])
        marks["end"] = time.monotonic()
        time.sleep(0.2)
        emit("networkManager", lines=stand_in.lines, marks=marks, devicePath=DEVICE_PATH)
    finally:
        stand_in.stop()
        daemon.terminate()
        daemon.wait()


if __name__ == "__main__":
    main()
