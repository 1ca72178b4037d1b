#!/usr/bin/python3
"""The whole application over the scene's Wi-Fi link, run inside the
simulated-radio VM in the root scene/host-root builds from the host's own
directories. Two parts, each printing its result lines (JSON) on standard
output and everything else on standard error:

  router   in the VM's own network namespace, where the access points are:
           moves the station's radio into a namespace of its own, answers
           DNS (every name to the router) and serves the probe page on the
           access point's address, the router; then runs the station part
           in that namespace and passes its lines on.
  station  under dbus-run-session: Xvfb, a stand-in StatusNotifierWatcher
           and the application, its internet target set to the router and
           its icon colourful through the settings file. While the radio is
           not yet associated the icon must show the pause badge; then
           wpa_supplicant joins the access point and the time from the
           association to a health badge is measured; then the router's address is removed and the
           time until poor or disconnected is measured. The badge is read
           from the item's IconPixmap over D-Bus.

  tray_health_in_vm.py router STATION ROUTER_ADDRESS STATION_ADDRESS   (LUMRA_APP: the application)
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TESTS = os.path.dirname(HERE)
PYTHON = "/usr/bin/python3"
NAMESPACE = f"lumra_station{os.getpid()}"
# The scene's station configuration (scene/init).
SUPPLICANT_CONF = "/run/wpa_supplicant.conf"
SUPPLICANT_PID = "/run/wpa_supplicant.pid"

# Badge colours of the colourful icon, by health state.
BADGE_COLOURS = {
    "good": (48, 209, 88),
    "warning": (255, 159, 10),
    "poor": (255, 69, 58),
    "disconnected": (128, 128, 128),
}
HEALTH_BADGES = ("good", "warning", "poor")


def emit(stream, step, **fields):
    stream.write(json.dumps({"step": step, **fields}) + "\n")
    stream.flush()


def log(text):
    print(f"tray-health: {text}", file=sys.stderr, flush=True)


def sh(*command):
    subprocess.run(command, check=True)


# ---------------------------------------------------------------- router

def move_station(station):
    """The station's radio into NAMESPACE, its link down; the scene's
    wpa_supplicant (which held it) ended."""
    with open(SUPPLICANT_PID) as pid_file:
        supplicant = int(pid_file.read())
    os.kill(supplicant, signal.SIGTERM)
    deadline = time.monotonic() + 10
    while os.path.exists(f"/proc/{supplicant}") and time.monotonic() < deadline:
        time.sleep(0.05)
    with open(f"/sys/class/net/{station}/phy80211/name") as phy_file:
        phy = phy_file.read().strip()
    sh("ip", "netns", "add", NAMESPACE)
    sh("iw", "phy", phy, "set", "netns", "name", NAMESPACE)
    sh("ip", "-n", NAMESPACE, "link", "set", "lo", "up")


def router(station, router_address, station_address):
    results = sys.stdout
    sys.stdout = sys.stderr
    # The access point that has the router's address.
    ap_interface = subprocess.run(["ip", "-o", "-4", "addr", "show", "to", router_address], capture_output=True,
                                  text=True, check=True).stdout.split()[1]
    move_station(station)
    work = tempfile.mkdtemp(prefix="router-")
    page = os.path.join(work, "page")
    os.makedirs(page)
    with open(os.path.join(page, "hotspot-detect.html"), "w") as html:
        html.write("<HTML><HEAD><TITLE>Success</TITLE></HEAD><BODY>Success</BODY></HTML>")
    requests = os.path.join(work, "requests.log")
    servers = [
        subprocess.Popen([PYTHON, os.path.join(TESTS, "probes", "live", "dns_responder.py"), router_address, "53",
                          f"--answer={router_address}"], stdout=subprocess.DEVNULL),
        subprocess.Popen([PYTHON, "-m", "http.server", "80", "--bind", router_address, "--directory", page],
                         stdout=subprocess.DEVNULL, stderr=open(requests, "w")),
    ]
    try:
        station_part = subprocess.run(
            ["ip", "netns", "exec", NAMESPACE, "dbus-run-session", "--", PYTHON, os.path.abspath(__file__),
             "station", station, ap_interface, router_address, station_address],
            stdout=subprocess.PIPE, text=True)
        results.write(station_part.stdout)
        with open(requests) as log_file:
            fetched = sum("GET /hotspot-detect.html" in line for line in log_file)
        emit(results, "router", stationExit=station_part.returncode, probePageRequests=fetched)
    finally:
        for server in servers:
            server.terminate()
            server.wait()


# ---------------------------------------------------------------- station

def badge_of(pixmaps):
    """The health state whose badge colour covers most pixels of the
    largest pixmap (ARGB32, network byte order); None when none shows."""
    if not pixmaps:
        return None
    width, height, data = max(pixmaps, key=lambda p: int(p[0]) * int(p[1]))
    counts = dict.fromkeys(BADGE_COLOURS, 0)
    raw = bytes(bytearray(int(b) for b in data))
    for offset in range(0, int(width) * int(height) * 4, 4):
        alpha, red, green, blue = raw[offset:offset + 4]
        if alpha < 250:
            continue
        for state, (r, g, b) in BADGE_COLOURS.items():
            if abs(red - r) <= 12 and abs(green - g) <= 12 and abs(blue - b) <= 12:
                counts[state] += 1
    state, count = max(counts.items(), key=lambda entry: entry[1])
    return state if count >= 4 else None


class Badges:
    """Reads the item's badge and keeps every change with its time."""

    def __init__(self, item):
        import dbus
        self.properties = dbus.Interface(item, dbus.PROPERTIES_IFACE)
        self.changes = []

    def read(self):
        state = badge_of(self.properties.Get("org.kde.StatusNotifierItem", "IconPixmap"))
        if not self.changes or self.changes[-1][1] != state:
            self.changes.append((time.monotonic(), state))
        return state

    def wait(self, states, timeout):
        """The time at which the badge first showed one of states, or None."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.read() in states:
                return self.changes[-1][0]
            time.sleep(0.1)
        return None

    def steady(self, states, hold, timeout):
        """The badge once it has stayed within states for hold seconds
        (every reading), or None when that does not happen in timeout."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            state = self.read()
            if state in states and time.monotonic() - self.changes[-1][0] >= hold:
                return state
            time.sleep(0.1)
        return None


def station(station_if, ap_interface, router_address, station_address):
    results = os.fdopen(os.dup(1), "w")
    os.dup2(2, 1)
    os.environ.setdefault("LUMRA_SCREENS_DIR", os.path.join(tempfile.gettempdir(), "screens"))
    sys.path.insert(0, os.path.join(TESTS, "app", "desktop"))
    import desktop_test as desktop_kit
    import ctypes

    # Orphans of the application become ours, so none can hide.
    ctypes.CDLL(None, use_errno=True).prctl(36, 1, 0, 0, 0)
    # ICMP datagram sockets for every group, as systemd sets it on Debian
    # desktops (the application's ping needs them). The address and the
    # route are there before the link, as a fixed configuration has them.
    sh("sysctl", "-qw", "net.ipv4.ping_group_range=0 2147483647")
    sh("ip", "link", "set", station_if, "up")
    sh("ip", "addr", "add", f"{station_address}/24", "dev", station_if)
    sh("ip", "route", "add", "default", "via", router_address, "dev", station_if, "onlink")
    desktop = desktop_kit.Desktop(tray=False)
    report = {}
    app = badges = None
    try:
        home = os.path.join(desktop.tmp, "home")
        os.makedirs(os.path.join(home, ".config", "lumra"), exist_ok=True)
        with open(os.path.join(home, ".config", "lumra", "defaults.json"), "w") as defaults:
            json.dump({"internetPingTarget": router_address, "colorfulIcon": True}, defaults)
        registrations = desktop_kit.start_watcher(desktop)
        started = time.monotonic()
        app = desktop_kit.start_app(desktop)
        _, _, item = desktop_kit.status_notifier_item(registrations, timeout=60)
        badges = Badges(item)
        paused = badges.wait(("disconnected",), 30)
        report["pauseAfterStart"] = None if paused is None else round(paused - started, 2)
        if paused is None:
            desktop_kit.fail(f"no pause badge while the radio is not associated: {badges.changes}")
        # Stays paused while there is no link.
        time.sleep(2)
        if badges.read() != "disconnected":
            desktop_kit.fail(f"the badge left pause without a link: {badges.changes}")

        joining = time.monotonic()
        desktop.start(["wpa_supplicant", "-i", station_if, "-c", SUPPLICANT_CONF])
        desktop_kit.wait_for(
            lambda: "Connected to" in subprocess.run(["iw", "dev", station_if, "link"], capture_output=True,
                                                     text=True).stdout, 30, "the station's association")
        associated = time.monotonic()
        report["associatedAfter"] = round(associated - joining, 2)
        healthy = badges.wait(HEALTH_BADGES, 30)
        report["healthAfter"] = None if healthy is None else round(healthy - associated, 2)
        report["health"] = badges.changes[-1][1]
        # The first badge may grade the Wi-Fi reading alone: on a working
        # link it must then stay good or warning over two polls (4 s each)
        # with the pings, the lookup and the probe page.
        report["settled"] = badges.steady(("good", "warning"), hold=9, timeout=30)

        removing = time.monotonic()
        sh("nsenter", "--net=/proc/1/ns/net", "ip", "addr", "del", f"{router_address}/24", "dev", ap_interface)
        lost = badges.wait(("poor", "disconnected"), 45)
        report["afterRemoval"] = badges.changes[-1][1]
        report["removalAfter"] = None if lost is None else round(lost - removing, 2)

        app.send_signal(signal.SIGTERM)
        desktop_kit.expect_clean_exit(app, desktop_kit.known_pids(desktop))
        report["exit"] = 0
    except desktop_kit.Failure as failure:
        report["error"] = failure.message
    except Exception as error:  # reported like a failed check, with what broke
        report["error"] = f"{type(error).__name__}: {error}"
    finally:
        if app is not None and app.poll() is None:
            app.kill()
            app.wait()
        desktop.close()
        changes = [[round(at - started, 2), state] for at, state in badges.changes] if badges else []
        emit(results, "tray", badges=changes, **report)


def main():
    role = sys.argv[1]
    if role == "router":
        router(*sys.argv[2:5])
    elif role == "station":
        station(*sys.argv[2:6])
    else:
        sys.exit(f"unknown part {role}")


if __name__ == "__main__":
    main()
