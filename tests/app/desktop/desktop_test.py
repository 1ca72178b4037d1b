#!/usr/bin/python3
"""The whole application on a real desktop: Xvfb with openbox, run inside
dbus-run-session, all inside a network namespace of the test's own
(loopback only: ctest starts it under unshare -n), so the application can
reach nothing but 127.0.0.1 and the X server's abstract socket is private. Scenarios:
  tray    trayer (XEmbed) as the tray host; xdotool clicks the icon, the
          popover appears below it, a click on another client closes it, the
          context menu's "Quit Lumra" ends the process with 0.
  sni     a stand-in StatusNotifierWatcher: the item registers, its tooltip
          and icon are read over D-Bus, Activate(x, y) opens the popover
          there; SIGTERM ends the process with 0.
  notify  trayer, dunst as the notification server and an update server
          announcing a newer build inside the namespace: "Update Available"
          is shown, its default action hands the download address to BROWSER.
  memory  trayer as the tray host, the popover open for a minute: the
          process's anonymous memory stays flat while polls publish.
  frames  tool windows whose stored frames are far larger than the screen,
          or past the largest integer, open on the screen with their title
          bars visible.
  hostile (hostile.sh: a client namespace whose captive-portal check is
          redirected to a 208-character address without spaces, and an
          update service announcing a 57-character version) the popover's
          controls, its update card and the Settings window's stay inside
          their windows, read over AT-SPI.
  small-screen, scaled-screen  (Xvfb at 800 x 600, and at 1024 x 600 with
          QT_SCALE_FACTOR=1.5) the popover lies on the screen off the tray
          panel, the Settings window and each tool window on the screen with
          their title bars; every control of each comes into view inside its
          window and the screen as the window's scroll bars move (set over
          AT-SPI), and whenever Tab gives it the focus.
  live    (live.sh: a client namespace with a router, a DNS server and
          ICMP for every group) after 30 s of monitoring the popover opened
          through the tray shows real latency and DNS figures and sparklines
          of several points, read from the application's accessibility tree
          over AT-SPI.
  assistive
          trayer as the tray host: the popover's monitoring switch, toggled
          as a screen reader does (AT-SPI doAction(0)), changes the stored
          setting both ways and tells its checked state.
  notray  no tray at start, dunst running: one line on standard error and
          one notification say what is missing; trayer started later
          shows the icon.
  panels  trayer tinted light (#F0F0F0), then dark (#202020): the icon
          docks in each and its Wi-Fi glyph stands out at least 3:1.
  hangup  a default route into a link that drops every packet (the tools
          wait out their time-outs): SIGHUP while a tool runs ends the
          application with 0 and no tool child is left 0.5 s later.
  xgone   the same, the X server killed instead: the application ends and
          no tool child is left 0.5 s later.
Afterwards no child process of the application is left."""
import ctypes
import json
import os
import signal
import shutil
import subprocess
import sys
import tempfile
import time

import dbus

from xwdpng import read_xwd as read_xwd_rows  # noqa: F401 (the bench reads pixels)

HERE = os.path.dirname(os.path.abspath(__file__))
APP = os.environ["LUMRA_APP"]
SCREENS = os.environ["LUMRA_SCREENS_DIR"]
PYTHON = "/usr/bin/python3"
# The Xvfb screen, WIDTHxHEIGHTxDEPTH.
SCREEN = os.environ.get("LUMRA_DESKTOP_SCREEN", "1024x900x24")


class Failure(SystemExit):
    """A failed check: ends the program with 1 unless a caller reports it."""

    def __init__(self, message):
        super().__init__(1)
        self.message = message


def fail(message):
    print("FAIL:", message, flush=True)
    raise Failure(message)


def wait_for(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.1)
    fail(f"timed out after {timeout} s waiting for {what}")


class Desktop:
    def __init__(self, tray):
        self.processes = []
        self.tmp = tempfile.mkdtemp(prefix="lumra-desktop-")
        # Servers started at the same moment by parallel tests can race for
        # one display number and the loser exits at once: start it again.
        for _ in range(3):
            number = self.start_xvfb()
            if number:
                break
        else:
            with open(os.path.join(self.tmp, "xvfb.log")) as log:
                print(log.read(), flush=True)
            fail("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        os.environ["DISPLAY"] = self.display
        self.start(["openbox"])
        if tray:
            self.start(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                        "--height", "28", "--tint", "0x404040", "--transparent", "false"])
        time.sleep(0.5)

    def start_xvfb(self):
        """Starts Xvfb; its display number, or b"" when it exited first."""
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN,
                                 "-nolisten", "tcp"], pass_fds=(write_end,), stderr=open(os.path.join(self.tmp, "xvfb.log"), "w"))
        os.close(write_end)
        # The number and its newline may come in two writes: read up to the
        # newline and keep the pipe open (a closed one would end Xvfb).
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                xvfb.wait()
                os.close(read_end)
                return b""
            number += chunk
        self.processes.append(xvfb)
        self.displayfd = read_end
        return number

    def start(self, command, **kwargs):
        process = subprocess.Popen(command, stdout=kwargs.pop("stdout", subprocess.DEVNULL),
                                   stderr=subprocess.DEVNULL, **kwargs)
        self.processes.append(process)
        return process

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        os.close(self.displayfd)
        # Its home, logs and dumps: what a failure needs was printed already.
        shutil.rmtree(self.tmp, ignore_errors=True)

    def screenshot(self, name):
        dump = os.path.join(self.tmp, name + ".xwd")
        subprocess.run(["xwd", "-root", "-silent", "-out", dump], check=True)
        os.makedirs(SCREENS, exist_ok=True)
        subprocess.run([PYTHON, os.path.join(HERE, "xwdpng.py"), dump, os.path.join(SCREENS, name + ".png")],
                       check=True)


def windows_of(pid):
    found = subprocess.run(["xdotool", "search", "--all", "--pid", str(pid)], capture_output=True, text=True)
    result = []
    for line in found.stdout.split():
        info = subprocess.run(["xwininfo", "-id", line], capture_output=True, text=True).stdout
        fields = {}
        for row in info.splitlines():
            key, _, value = row.strip().partition(":")
            fields[key] = value.strip()
        try:
            result.append({"id": line, "x": int(fields["Absolute upper-left X"]),
                           "y": int(fields["Absolute upper-left Y"]), "width": int(fields["Width"]),
                           "height": int(fields["Height"]), "mapped": fields.get("Map State") == "IsViewable"})
        except (KeyError, ValueError):
            pass
    return result


def popover(pid):
    shown = [w for w in windows_of(pid) if w["mapped"] and w["width"] == 400 and w["height"] >= 320]
    return shown[0] if shown else None


def click(x, y, button=1):
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", str(button)], check=True)


def app_env(desktop, extra_env=None):
    """The environment the application runs in on this desktop."""
    home = os.path.join(desktop.tmp, "home")
    runtime = os.path.join(desktop.tmp, "runtime")
    os.makedirs(home, exist_ok=True)
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, ".config"), HOME=home, XDG_RUNTIME_DIR=runtime,
               LUMRA_UPDATE_API_URL="http://127.0.0.1:9/update",
               LUMRA_UPDATE_DOWNLOAD_BASE_URL="http://127.0.0.1:9/download/")
    env.pop("QT_QPA_PLATFORM", None)
    env.update(extra_env or {})
    return env


def start_notification_server(desktop):
    """dunst as the desktop's notification server; returns the file where it
    prints every notification it shows."""
    shown = os.path.join(desktop.tmp, "dunst.out")
    desktop.start(["dunst", "-print"], stdout=open(shown, "w"))
    time.sleep(0.5)
    return shown


def start_app(desktop, extra_env=None, server=None):
    env = app_env(desktop, extra_env)
    script = (server + " & " if server else "") + 'exec "$0"'
    log = os.path.join(desktop.tmp, "app.log")
    app = subprocess.Popen(["sh", "-c", script, APP], env=env, stdout=open(log, "w"), stderr=subprocess.STDOUT)
    app.log = log
    return app


def expect_clean_exit(app, known, timeout=10):
    try:
        code = app.wait(timeout)
    except subprocess.TimeoutExpired:
        app.kill()
        fail("the application did not end")
    if code != 0:
        # A sanitizer build reports here what it found.
        with open(app.log, errors="replace") as log:
            print("".join(log.readlines()[-120:]), end="")
        fail(f"exit code {code}")
    time.sleep(0.3)
    left = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == os.getpid() and int(entry) not in known and fields[0] != "Z":
            left.append(entry)
    if left:
        fail(f"processes left behind: {left}")


def known_pids(desktop, *more):
    return {p.pid for p in desktop.processes} | set(more)


def scenario_tray(desktop):
    app = start_app(desktop)
    icon = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["width"] < 40), None), 10,
                    "the tray icon")
    desktop.screenshot("desktop-tray")
    cx, cy = icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2
    click(cx, cy)
    shown = wait_for(lambda: popover(app.pid), 10, "the popover")
    bottom = icon["y"] + icon["height"]
    if not bottom <= shown["y"] <= bottom + 12:
        fail(f"popover at y {shown['y']}, icon bottom {bottom}")
    if not shown["x"] <= cx <= shown["x"] + shown["width"] or shown["x"] + shown["width"] > 1024:
        fail(f"popover at x {shown['x']} not under the icon at {cx}")
    desktop.screenshot("desktop-popover")
    print(f"popover {shown} below icon {icon}")
    # The icon toggles it.
    click(cx, cy)
    wait_for(lambda: popover(app.pid) is None, 10, "a second click on the icon to close the popover")
    time.sleep(0.5)
    click(cx, cy)
    wait_for(lambda: popover(app.pid), 10, "a third click on the icon to open the popover")

    other = desktop.start(["xlogo", "-geometry", "200x200+60+380"])
    wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "xlogo"],
                                    capture_output=True).returncode == 0, 10, "xlogo")
    time.sleep(0.3)
    click(160, 480)
    wait_for(lambda: popover(app.pid) is None, 10, "the popover to close after a click on another client")

    before = {w["id"] for w in windows_of(app.pid) if w["mapped"]}
    click(cx, cy, button=3)
    menu = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["id"] not in before), None),
                    10, "the context menu")
    desktop.screenshot("desktop-menu")
    # "Quit Lumra" is the last entry.
    click(menu["x"] + menu["width"] // 2, menu["y"] + menu["height"] - 12)
    expect_clean_exit(app, known_pids(desktop, other.pid))


def anonymous_kib(pid):
    """The process's anonymous memory (its heap, mostly), from smaps_rollup."""
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        for line in rollup:
            if line.startswith("Anonymous:"):
                return int(line.split()[1])
    fail("no Anonymous line in smaps_rollup")


def open_popover_from_tray(app):
    icon = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["width"] < 40), None), 10,
                    "the tray icon")
    click(icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2)
    return wait_for(lambda: popover(app.pid), 10, "the popover")


def scenario_memory(desktop):
    # With the popover open every half-second poll publishes the health
    # state; none of it may stay behind in the XEmbed icon.
    app = start_app(desktop)
    open_popover_from_tray(app)
    time.sleep(10)
    first = anonymous_kib(app.pid)
    time.sleep(45)
    grown = anonymous_kib(app.pid) - first
    print(f"anonymous memory {first} KiB, +{grown} KiB over 45 s with the popover open")
    if grown > 256:
        fail(f"anonymous memory grew by {grown} KiB in 45 s")
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


def open_tool_from_popover(app, row_y):
    """Opens the toolbox from the open popover's header, then the row at
    row_y (popover coordinates)."""
    shown = open_popover_from_tray(app)
    time.sleep(0.5)
    click(shown["x"] + 325, shown["y"] + 24)
    time.sleep(0.8)
    click(shown["x"] + 200, shown["y"] + row_y)


def write_defaults(desktop, values):
    config = os.path.join(desktop.tmp, "home", ".config", "lumra")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "defaults.json"), "w") as defaults:
        json.dump(values, defaults)


def scenario_frames(desktop):
    # A stored frame as large as X allows, and one whose right edge is past
    # the largest integer: each tool window opens on the screen, whole, its
    # title bar visible, at no great cost in memory.
    write_defaults(desktop, {"lumra.speedTest.windowFrame": "0 0 32767 32767",
                             "lumra.channelScan.windowFrame": "2147483000 2147483000 32767 32767"})
    app = start_app(desktop)
    for title, row_y in (("Speed Test", 253), ("Channel Scan", 183)):
        before = {w["id"] for w in windows_of(app.pid) if w["mapped"]}
        open_tool_from_popover(app, row_y)
        window = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["id"] not in before
                                        and w["width"] >= 800), None), 10, f"the {title} window")
        time.sleep(1)
        window = next(w for w in windows_of(app.pid) if w["id"] == window["id"])
        rss = status_kib(app.pid, "VmRSS")
        print(f"{title}: {window['width']}x{window['height']} at {window['x']},{window['y']}, RSS {rss // 1024} MiB")
        desktop.screenshot("desktop-frames-" + title.replace(" ", "-").lower())
        if window["x"] < 0 or window["x"] + window["width"] > 1024 or window["y"] + window["height"] > 900:
            fail(f"{title} window {window} is not on the 1024x900 screen")
        if window["y"] < 20:
            fail(f"{title} window at y {window['y']}: no room for its title bar")
        if rss > 300 * 1024:
            fail(f"RSS {rss // 1024} MiB with the {title} window open")
        subprocess.run(["xdotool", "windowunmap", window["id"]], check=True)
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


def status_kib(pid, key):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def start_watcher(desktop):
    """The stand-in StatusNotifierWatcher; returns the file it logs
    registrations to."""
    registrations = os.path.join(desktop.tmp, "registrations")
    open(registrations, "w").close()
    watcher = desktop.start([PYTHON, os.path.join(HERE, "sni_watcher.py"), registrations], stdout=subprocess.PIPE)
    if watcher.stdout.readline().strip() != b"ready":
        fail("the watcher did not start")
    return registrations


def status_notifier_item(registrations, timeout=10):
    """(bus name, object path, proxy) of the first item that registered."""
    line = wait_for(lambda: open(registrations).read().split(), timeout, "the item's registration")
    sender, service = line[0], line[1]
    path = service if service.startswith("/") else "/StatusNotifierItem"
    name = sender if service.startswith("/") else service
    return name, path, dbus.SessionBus().get_object(name, path)


def scenario_sni(desktop):
    registrations = start_watcher(desktop)
    app = start_app(desktop)
    name, path, item = status_notifier_item(registrations)
    properties = dbus.Interface(item, dbus.PROPERTIES_IFACE)
    tooltip = properties.Get("org.kde.StatusNotifierItem", "ToolTip")
    if str(tooltip[2]) != "Lumra":
        fail(f"tooltip {tooltip[2]!r}")
    pixmaps = properties.Get("org.kde.StatusNotifierItem", "IconPixmap")
    if not pixmaps or not any(int(b) for b in pixmaps[0][2]):
        fail("no icon pixmap")
    print(f"item {name}{path}: tooltip {str(tooltip[2])!r}, {len(pixmaps)} pixmaps, first {pixmaps[0][0]}x{pixmaps[0][1]}")
    x, y = 500, 120
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
    dbus.Interface(item, "org.kde.StatusNotifierItem").Activate(x, y)
    shown = wait_for(lambda: popover(app.pid), 10, "the popover after Activate")
    centre = shown["x"] + shown["width"] // 2
    if abs(centre - x) > 2 or not y <= shown["y"] <= y + 12:
        fail(f"popover {shown} not at the activation point {x},{y}")
    print(f"popover {shown} at the activation point")
    # One instance per user: a second start ends at once, the first runs on.
    second = start_app(desktop)
    try:
        if second.wait(10) != 0:
            fail("the second instance did not exit with 0")
    except subprocess.TimeoutExpired:
        second.kill()
        fail("a second instance kept running")
    if app.poll() is not None:
        fail("the first instance ended")
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


def scenario_notify(desktop):
    shown = start_notification_server(desktop)
    opened = os.path.join(desktop.tmp, "browser.log")
    browser = os.path.join(desktop.tmp, "browser.sh")
    with open(browser, "w") as script:
        script.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> {opened}\n')
    os.chmod(browser, 0o755)
    pidfile = os.path.join(desktop.tmp, "server.pid")
    server = f"{PYTHON} {os.path.join(HERE, 'update_server.py')} 8080 999999 {pidfile}"
    started = time.monotonic()
    app = start_app(desktop, {"LUMRA_UPDATE_API_URL": "http://127.0.0.1:8080/update",
                              "LUMRA_UPDATE_DOWNLOAD_BASE_URL": "http://127.0.0.1:8080/download/",
                              "BROWSER": browser}, server)
    wait_for(lambda: "Update Available" in open(shown).read(), 10, '"Update Available" on dunst')
    print(f"notification after {time.monotonic() - started:.1f} s")
    subprocess.run(["dunstctl", "action", "0"], check=True)
    address = wait_for(lambda: os.path.exists(opened) and open(opened).read().strip(), 10, "the browser")
    if address != "http://127.0.0.1:8080/download/lumra-9.9.9.dmg":
        fail(f"browser got {address!r}")
    print(f"browser got {address}")
    server_pid = int(open(pidfile).read())
    app.send_signal(signal.SIGTERM)
    try:
        os.kill(server_pid, signal.SIGTERM)
    except ProcessLookupError:
        pass
    expect_clean_exit(app, known_pids(desktop, server_pid))


def accessible_rows(application):
    """(name, description) of every object of the application's tree."""
    found = []
    stack = [application]
    while stack:
        node = stack.pop()
        try:
            found.append((node.name, node.description))
            stack.extend(node[i] for i in range(node.childCount))
        except Exception:
            continue
    return found


def scenario_live(desktop):
    import pyatspi

    wait_for_accessibility_registry(desktop)

    home = os.path.join(desktop.tmp, "home")
    os.makedirs(os.path.join(home, ".config", "lumra"), exist_ok=True)
    with open(os.path.join(home, ".config", "lumra", "defaults.json"), "w") as defaults:
        json.dump({"internetPingTarget": os.environ["LUMRA_LIVE_INTERNET_TARGET"]}, defaults)
    app = start_app(desktop, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    icon = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["width"] < 40), None), 10,
                    "the tray icon")
    time.sleep(30)
    click(icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2)
    wait_for(lambda: popover(app.pid), 10, "the popover")
    time.sleep(1.5)
    desktop.screenshot("desktop-live-popover")

    def lumra_rows():
        application = lumra_accessible(pyatspi)
        if application is None:
            return None
        # The row and its value label share the title; the label carries
        # the value.
        return {name: description for name, description in accessible_rows(application) if description}

    rows = wait_for(lambda: (lambda r: r if r and "Router Ping" in r else None)(lumra_rows()), 15,
                    "the popover's rows over AT-SPI")
    for title in ("Router Ping", "Internet Ping", "Jitter", "Lookup"):
        value = rows.get(title, "")
        if not value or value == "\u2014":
            fail(f"{title} reads {value!r}")
        samples = rows.get(title + " trend", "")
        count = int(samples.split()[0]) if samples.endswith(" samples") else 0
        if count < 3:
            fail(f"{title} sparkline has {samples!r}")
        print(f"{title}: {value}, sparkline {samples}")
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


LONG_VERSION = "2.0.0-beta.20261210+build.0123456789abcdef0123456789abcde"


def lumra_accessible(pyatspi):
    desktop_root = pyatspi.Registry.getDesktop(0)
    for i in range(desktop_root.childCount):
        candidate = desktop_root[i]
        if candidate is not None and candidate.name.lower() == "lumra":
            return candidate
    return None


def showing(pyatspi, matches):
    """(object, extents (x, y, width, height)) of every showing object of
    the application whose name matches."""
    application = lumra_accessible(pyatspi)
    found, stack = [], [application] if application is not None else []
    while stack:
        node = stack.pop()
        try:
            if matches(node.name) and node.getState().contains(pyatspi.STATE_SHOWING):
                extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                found.append((node, (extents.x, extents.y, extents.width, extents.height)))
            stack.extend(node[i] for i in range(node.childCount))
        except Exception:
            continue
    return found


def showing_named(pyatspi, name):
    return showing(pyatspi, lambda candidate: candidate == name)


def expect_inside(pyatspi, names, window, where):
    for name in names:
        found = wait_for(lambda: showing_named(pyatspi, name), 10, f"{name!r} in {where}")
        for _, (x, y, width, height) in found:
            if x < window["x"] or x + width > window["x"] + window["width"] or width <= 0:
                fail(f"{name!r} at x {x}..{x + width}, outside {where} at {window['x']}..."
                     f"{window['x'] + window['width']}")
        print(f"{name!r} inside {where}: {[extents for _, extents in found]}")


def press(pyatspi, name, window):
    """Clicks the middle of the showing object called name inside window."""
    def inside():
        return [extents for _, extents in showing_named(pyatspi, name)
                if window["x"] <= extents[0] < window["x"] + window["width"]
                and window["y"] <= extents[1] < window["y"] + window["height"]]
    x, y, width, height = wait_for(inside, 10, f"{name!r} to press")[0]
    click(x + width // 2, y + height // 2)


def scenario_hostile(desktop):
    # A hotspot redirects to a 208-character address without spaces and the
    # update service announces a 57-character version: nothing of the
    # popover or the Settings window may leave its window.
    import pyatspi

    wait_for_accessibility_registry(desktop)

    write_defaults(desktop, {"internetPingTarget": "10.213.0.1"})
    pidfile = os.path.join(desktop.tmp, "server.pid")
    server = f"{PYTHON} {os.path.join(HERE, 'update_server.py')} 8080 999999 {pidfile} {LONG_VERSION}"
    app = start_app(desktop, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                              "LUMRA_UPDATE_API_URL": "http://127.0.0.1:8080/update",
                              "LUMRA_UPDATE_DOWNLOAD_BASE_URL": "http://127.0.0.1:8080/download/"}, server)
    shown = open_popover_from_tray(app)
    wait_for(lambda: showing(pyatspi, lambda name: name.startswith("Captive portal detected")), 30,
             "the captive portal notice")
    time.sleep(1)
    desktop.screenshot("desktop-hostile-popover")
    expect_inside(pyatspi, ("Open Toolbox", "Open Settings", "Quit", "Packet Loss", "Domain"), shown,
                  "the popover")
    press(pyatspi, "Open Settings", shown)
    time.sleep(0.5)
    press(pyatspi, "About", shown)
    wait_for(lambda: showing_named(pyatspi, "Download"), 15, "the update card")
    time.sleep(0.5)
    desktop.screenshot("desktop-hostile-popover-about")
    expect_inside(pyatspi, ("Download", "Check for Updates"), shown, "the popover")

    before = {w["id"] for w in windows_of(app.pid) if w["mapped"]}
    subprocess.run(["xdotool", "key", "ctrl+comma"], check=True)
    window = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["id"] not in before
                                    and w["width"] > 400), None), 10, "the Settings window")
    time.sleep(0.5)
    press(pyatspi, "About", window)
    wait_for(lambda: showing_named(pyatspi, "Download Update"), 10, "the Settings window's update card")
    time.sleep(0.5)
    window = next(w for w in windows_of(app.pid) if w["id"] == window["id"])
    desktop.screenshot("desktop-hostile-settings")
    expect_inside(pyatspi, ("Download Update", "Check for Updates"), window, "the Settings window")
    server_pid = int(open(pidfile).read())
    app.send_signal(signal.SIGTERM)
    try:
        os.kill(server_pid, signal.SIGTERM)
    except ProcessLookupError:
        pass
    expect_clean_exit(app, known_pids(desktop, server_pid))


def focused_control(pyatspi):
    """(name, extents) of the showing object that has keyboard focus."""
    application = lumra_accessible(pyatspi)
    stack = [application] if application is not None else []
    while stack:
        node = stack.pop()
        try:
            state = node.getState()
            if state.contains(pyatspi.STATE_FOCUSED) and state.contains(pyatspi.STATE_SHOWING) \
                    and node.childCount == 0:
                e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                return node.name, (e.x, e.y, e.width, e.height)
            stack.extend(node[i] for i in range(node.childCount))
        except Exception:
            continue
    return None


def root_pixels(desktop, name):
    desktop.screenshot(name)
    dump = os.path.join(desktop.tmp, name + ".xwd")
    width, _, rows = read_xwd_rows(dump)

    def pixel(x, y):
        return tuple(rows[y][3 * x:3 * x + 3])
    return pixel


def ring_pixels(pixel, extents):
    """How many of the four mid-edge pixels just inside extents are the accent blue."""
    x, y, width, height = extents
    probes = [(x + 1, y + height // 2), (x + width - 2, y + height // 2),
              (x + width // 2, y + 1), (x + width // 2, y + height - 2)]
    return sum(1 for px, py in probes if (lambda r, g, b: b > 180 and r < 90 and 90 < g < 190)(*pixel(px, py)))


def scenario_keyboard(desktop):
    # Tab moves a visible focus through the popover in reading order; Quit
    # lies inside the popover; its corners are cut to the rounded shape
    # (openbox composites nothing: the window mask does it); Escape closes it.
    import pyatspi

    wait_for_accessibility_registry(desktop)

    app = start_app(desktop, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    shown = open_popover_from_tray(app)
    wait_for(lambda: showing_named(pyatspi, "Quit"), 15, "the popover's controls")
    time.sleep(1)
    expect_inside(pyatspi, ("Quit",), shown, "the popover")
    for _, (x, y, width, height) in showing_named(pyatspi, "Quit"):
        if y < shown["y"] or y + height > shown["y"] + shown["height"]:
            fail(f"Quit at y {y}..{y + height}, outside the popover's {shown['y']}..."
                 f"{shown['y'] + shown['height']}")
    # The popover may open with focus on its first control already.
    first = focused_control(pyatspi)
    order = [first] if first else []
    for press_number in range(12):
        subprocess.run(["xdotool", "key", "Tab"], check=True)
        time.sleep(0.4)
        focused = wait_for(lambda: focused_control(pyatspi), 5, "a focused control")
        if order and focused[0] == order[0][0]:
            break
        order.append(focused)
        pixel = root_pixels(desktop, f"desktop-focus-{press_number + 1}")
        if ring_pixels(pixel, focused[1]) < 3:
            fail(f"no focus ring on {focused[0]!r} at {focused[1]}")
    names = [name for name, _ in order]
    print("Tab order:", names)
    for (before, a), (after, b) in zip(order, order[1:]):
        same_line = b[1] < a[1] + a[3] and a[1] < b[1] + b[3]
        if not (b[0] > a[0] if same_line else b[1] >= a[1] + a[3]):
            fail(f"{after!r} at {b} does not follow {before!r} at {a} in reading order")
    for expected in ("Open Toolbox", "Open Settings", "Enabled", "Quit"):
        if expected not in names:
            fail(f"Tab never reached {expected!r}: {names}")
    os.replace(os.path.join(SCREENS, "desktop-focus-3.png"), os.path.join(SCREENS, "desktop-focus-popover.png"))
    for leftover in os.listdir(SCREENS):
        if leftover.startswith("desktop-focus-") and leftover[14:15].isdigit():
            os.remove(os.path.join(SCREENS, leftover))
    pixel = root_pixels(desktop, "desktop-popover-corners")
    x, y, w, h = shown["x"], shown["y"], shown["width"], shown["height"]
    background = pixel(x - 3, y + h // 2) if x >= 3 else pixel(x + w + 2, y + h // 2)
    for cx, cy in ((x, y), (x + w - 1, y), (x, y + h - 1), (x + w - 1, y + h - 1)):
        if pixel(cx, cy) != background:
            fail(f"the popover's corner {cx},{cy} is {pixel(cx, cy)}, not the desktop's {background}")
    if pixel(x + w // 2, y + h // 2) == background:
        fail("the popover's middle shows the desktop")
    print(f"corners show the desktop {background}; inside {pixel(x + w // 2, y + h // 2)}")
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    wait_for(lambda: popover(app.pid) is None, 10, "Escape to close the popover")
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


def stored_defaults(desktop):
    """The application's defaults file, or {} while it has written none."""
    try:
        with open(os.path.join(desktop.tmp, "home", ".config", "lumra", "defaults.json")) as defaults:
            return json.load(defaults)
    except (OSError, ValueError):
        return {}


def showing_check_box(pyatspi, name):
    """The showing check box called name (the label beside it has the same name)."""
    found = [node for node, _ in showing_named(pyatspi, name) if node.getRole() == pyatspi.ROLE_CHECK_BOX]
    return found[0] if found else None


def scenario_assistive(desktop):
    # A screen reader toggles the popover's monitoring switch through its
    # first action, as it would on Enter or Space in its browse mode.
    import pyatspi

    wait_for_accessibility_registry(desktop)

    app = start_app(desktop, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    open_popover_from_tray(app)
    switch = wait_for(lambda: showing_check_box(pyatspi, "Enabled"), 15, "the monitoring switch over AT-SPI")
    time.sleep(0.5)
    for enabled in (False, True):
        was_checked = switch.getState().contains(pyatspi.STATE_CHECKED)
        if was_checked == enabled:
            fail(f"the switch reads checked={was_checked} before it is toggled to {enabled}")
        action = switch.queryAction()
        print(f"doAction(0) {action.getName(0)!r} on the switch, checked={was_checked}")
        action.doAction(0)
        wait_for(lambda: stored_defaults(desktop).get("monitoringEnabled") is enabled, 5,
                 f"the stored setting monitoringEnabled to become {enabled}")
        wait_for(lambda: switch.getState().contains(pyatspi.STATE_CHECKED) == enabled, 5,
                 f"the switch to read checked={enabled}")
        print(f"monitoringEnabled {enabled}, the switch reads checked={enabled}")
    time.sleep(1.5)
    desktop.screenshot("desktop-assistive-popover")
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


def luminance(colour):
    def linear(channel):
        c = channel / 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in colour)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)))
    return (lb + 0.05) / (la + 0.05)


def glyph_contrast(pixel, icon, panel):
    """The Wi-Fi glyph's weakest contrast against the panel as the tray shows
    it: across each of its three arcs (centred at 9,14 of the icon's 18
    points, radii 3.5, 7 and 10.5) along rays on its left half, clear of the
    badge, the strongest contrast of the stroke; the weakest of those. The
    icon is drawn as a square centred in its window."""
    import math
    side = min(icon["width"], icon["height"])
    left = icon["x"] + (icon["width"] - side) / 2
    top = icon["y"] + (icon["height"] - side) / 2
    scale = side / 18
    weakest = 21.0
    for radius in (3.5, 7.0, 10.5):
        for degrees in (-40, -20, 0):
            angle = math.radians(degrees)
            strongest = 1.0
            for step in range(-35, 36):
                along = radius + step * 0.05
                x = int(left + (9 + math.sin(angle) * along) * scale)
                y = int(top + (14 - math.cos(angle) * along) * scale)
                strongest = max(strongest, contrast(pixel(x, y), panel))
            weakest = min(weakest, strongest)
    return weakest


def scenario_panels(desktop):
    # trayer tinted light, then dark: the icon docks in each, and its Wi-Fi
    # glyph stands out at least 3:1 from the panel.
    app = None
    for tint, name in ((0xF0F0F0, "light"), (0x202020, "dark")):
        tray = desktop.start(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                              "--height", "28", "--transparent", "true", "--alpha", "0", "--tint", hex(tint)])
        if app is None:
            app = start_app(desktop)
        icon = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["width"] < 40), None), 10,
                        f"the tray icon on the {name} panel")
        time.sleep(1)
        icon = next(w for w in windows_of(app.pid) if w["id"] == icon["id"])
        pixel = root_pixels(desktop, f"desktop-tray-{name}")
        panel = pixel(icon["x"] - 4, icon["y"] + icon["height"] // 2)
        expected = ((tint >> 16) & 255, (tint >> 8) & 255, tint & 255)
        if max(abs(a - b) for a, b in zip(panel, expected)) > 8:
            fail(f"the {name} panel is {panel}, not the tint {expected}")
        measured = glyph_contrast(pixel, icon, panel)
        print(f"{name} panel {panel}: icon {icon['width']}x{icon['height']}, glyph {measured:.2f}:1")
        if measured < 3.0:
            fail(f"the glyph reads {measured:.2f}:1 on the {name} panel {panel}")
        tray.terminate()
        tray.wait()
        wait_for(lambda: not any(w["mapped"] and w["width"] < 40 for w in windows_of(app.pid)), 10,
                 "the icon to leave the closed tray")
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


def scenario_notray(desktop):
    # No tray at start: one line on standard error and one notification on
    # dunst, however LUMRA_LOG is set; a tray started later shows the icon.
    shown = start_notification_server(desktop)
    started = time.monotonic()
    app = start_app(desktop, {"LUMRA_LOG": "0"})
    line = "no system tray is running"
    wait_for(lambda: line in open(app.log).read(), 15, "the line on standard error")
    print(f"standard error after {time.monotonic() - started:.1f} s:",
          next(text for text in open(app.log) if line in text).strip())
    wait_for(lambda: "No System Tray for Lumra" in open(shown).read(), 10, "the notification on dunst")
    print(f"notification after {time.monotonic() - started:.1f} s")
    if any(w["mapped"] and w["width"] < 40 for w in windows_of(app.pid)):
        fail("an icon is mapped with no tray")
    time.sleep(6)
    with open(app.log) as log:
        lines = sum(line in text for text in log)
    notifications = open(shown).read().count("summary: 'No System Tray for Lumra'")
    if lines != 1 or notifications != 1:
        fail(f"told {lines} times on standard error and {notifications} times on dunst, not once")
    desktop.start(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                   "--height", "28", "--transparent", "false"])
    started = time.monotonic()
    wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["width"] < 40), None), 10,
             "the tray icon once trayer runs")
    print(f"icon {time.monotonic() - started:.1f} s after trayer started")
    desktop.screenshot("desktop-notray-then-tray")
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


def blackhole_route():
    """A default route into a veth pair of this namespace whose far end has
    no address and drops every packet: the tools' pings and lookups wait out
    their time-outs, so one of them is nearly always running."""
    for command in (["ip", "link", "add", "lumra-hole", "type", "veth", "peer", "name", "lumra-drop"],
                    ["ip", "addr", "add", "10.77.0.1/24", "dev", "lumra-hole"],
                    ["ip", "link", "set", "lumra-hole", "up"],
                    ["ip", "link", "set", "lumra-drop", "up"],
                    ["ip", "neigh", "add", "10.77.0.2", "lladdr", "02:00:00:00:77:02", "dev", "lumra-hole"],
                    ["ip", "route", "add", "default", "via", "10.77.0.2"]):
        subprocess.run(command, check=True)


def tool_children(pid):
    """(pid, argv[0]) of each running child of pid."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            with open(f"/proc/{entry}/cmdline", "rb") as cmdline:
                program = cmdline.read().split(b"\0")[0].decode(errors="replace")
        except OSError:
            continue
        if int(fields[1]) == pid and fields[0] != "Z":
            found.append((int(entry), program))
    return found


def expect_no_child_left(app, known, after=0.5):
    """After the application has ended: none of its children runs `after`
    seconds later (they would be ours now: the test is their subreaper)."""
    time.sleep(after)
    left = [child for child in tool_children(os.getpid()) if child[0] not in known]
    if left:
        fail(f"{after} s after the application ended its children still run: {left}")


def end_with_tools_running(desktop, end, expected_code):
    """Starts the application where its tools wait out their time-outs, ends it
    with end(app) while a tool child runs, and checks its exit status and
    that no child of it is left 0.5 s later."""
    blackhole_route()
    app = start_app(desktop)
    running = wait_for(lambda: [c for c in tool_children(app.pid) if c[1].startswith("/")], 30,
                       "a tool child of the application")
    print(f"tool children when it ends: {running}")
    end(app)
    try:
        code = app.wait(10)
    except subprocess.TimeoutExpired:
        app.kill()
        fail("the application did not end")
    print(f"exit status {code}")
    if expected_code is not None and code != expected_code:
        with open(app.log, errors="replace") as log:
            print("".join(log.readlines()[-60:]), end="")
        fail(f"exit status {code}, not {expected_code}")
    expect_no_child_left(app, known_pids(desktop))


def scenario_hangup(desktop):
    # The terminal that started it closes: SIGHUP takes the quit path.
    end_with_tools_running(desktop, lambda app: app.send_signal(signal.SIGHUP), 0)


def scenario_xgone(desktop):
    # The X server goes away: Qt ends the process with exit(1) and no
    # shutdown runs; its tools end with it all the same.
    xvfb = desktop.processes[0]

    def kill_x(app):
        xvfb.kill()
        xvfb.wait()
    end_with_tools_running(desktop, kill_x, None)


# --- screens smaller than the design

def screen_rect():
    width, height = SCREEN.split("x")[:2]
    return 0, 0, int(width), int(height)


def clipped(a, b):
    """The intersection of two (x, y, width, height) rectangles, or None."""
    x, y = max(a[0], b[0]), max(a[1], b[1])
    right, bottom = min(a[0] + a[2], b[0] + b[2]), min(a[1] + a[3], b[1] + b[3])
    return (x, y, right - x, bottom - y) if right > x and bottom > y else None


def contains(outer, inner):
    return clipped(outer, inner) == tuple(inner)


def frame_extents(window_id):
    """(left, right, top, bottom) the window manager adds around a client window."""
    found = subprocess.run(["xprop", "-id", window_id, "_NET_FRAME_EXTENTS"], capture_output=True, text=True).stdout
    if "=" not in found:
        return 0, 0, 0, 0
    return tuple(int(part) for part in found.split("=")[1].split(","))


def panel_rect():
    """Where trayer's panel is, in device pixels, once it shows."""
    return wait_for(shown_panel_rect, 10, "the trayer panel")


def shown_panel_rect():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "trayer"], capture_output=True,
                           text=True).stdout.split()
    rects = []
    for window_id in found:
        info = subprocess.run(["xwininfo", "-id", window_id], capture_output=True, text=True).stdout
        fields = dict(row.strip().partition(":")[::2] for row in info.splitlines() if ":" in row)
        rects.append((int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                      int(fields["Width"]), int(fields["Height"])))
    return max(rects, key=lambda r: r[2] * r[3]) if rects else None


def app_frame(pyatspi, title):
    """The showing top-level object of the application called title."""
    application = lumra_accessible(pyatspi)
    for i in range(application.childCount if application is not None else 0):
        child = application[i]
        try:
            if child.name == title and child.getState().contains(pyatspi.STATE_SHOWING):
                return child
        except Exception:
            continue
    return None


def atspi_extents(pyatspi, node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def controls_in(pyatspi, frame):
    """{path: object} of everything under frame a person reads or operates
    (not the scroll bars, which are the window's own), by its place in the tree."""
    roles = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
             pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_LINK, pyatspi.ROLE_LABEL,
             pyatspi.ROLE_TEXT, pyatspi.ROLE_PROGRESS_BAR}
    found, stack = {}, [(frame, ())]
    while stack:
        node, path = stack.pop()
        for i in range(node.childCount):
            child = node[i]
            try:
                role = child.getRole()
                if not child.getState().contains(pyatspi.STATE_SHOWING) or role == pyatspi.ROLE_SCROLL_BAR:
                    continue
                if role in roles and (child.name or role != pyatspi.ROLE_LABEL):
                    found[path + (i,)] = child
                stack.append((child, path + (i,)))
            except Exception:
                continue
    return found


def window_scroll_bars(pyatspi, frame):
    """The window's own scroll bars that show: those nearest its right and
    bottom edges (a text area inside may have bars of its own)."""
    window = atspi_extents(pyatspi, frame)
    bars = {}
    stack = [frame]
    while stack:
        node = stack.pop()
        for i in range(node.childCount):
            child = node[i]
            try:
                if not child.getState().contains(pyatspi.STATE_SHOWING):
                    continue
                if child.getRole() == pyatspi.ROLE_SCROLL_BAR:
                    x, y, width, height = atspi_extents(pyatspi, child)
                    down = height > width
                    distance = abs(window[0] + window[2] - x - width) if down else \
                        abs(window[1] + window[3] - y - height)
                    if distance < bars.get(down, (1 << 30, None))[0]:
                        bars[down] = (distance, child.queryValue())
                else:
                    stack.append(child)
            except Exception:
                continue
    return [bars[key][1] for key in (False, True) if key in bars]


def positions(bar):
    """Values of a scroll bar from its start to its end, 24 apart."""
    low, high = int(bar.minimumValue), int(bar.maximumValue)
    return list(range(low, high, 24)) + [high]


def in_view(rect, window, screen):
    """Whether as much of rect shows as the window can show: inside the
    screen and the window, or as wide or tall as the window where it is larger."""
    visible = clipped(rect, window)
    visible = clipped(visible, screen) if visible else None
    return visible is not None and visible[2] >= min(rect[2], window[2]) and visible[3] >= min(rect[3], window[3])


def expect_every_control_in_view(pyatspi, frame, where):
    """Scrolls frame's bars through their range: every control has to come
    into view inside its window and the screen at some position."""
    screen = atspi_screen
    window = atspi_extents(pyatspi, frame)
    controls = controls_in(pyatspi, frame)
    if not controls:
        fail(f"no controls in {where}")
    bars = window_scroll_bars(pyatspi, frame)
    grid = [()]
    for bar in bars:
        grid = [values + (value,) for values in grid for value in positions(bar)]
    waiting = dict(controls)
    for values in grid:
        for bar, value in zip(bars, values):
            bar.currentValue = value
        for path, node in list(waiting.items()):
            try:
                extents = atspi_extents(pyatspi, node)
            except Exception:
                continue
            if extents[2] > 0 and extents[3] > 0 and not in_view(extents, window, screen):
                continue
            del waiting[path]
        if not waiting:
            break
    for bar in bars:
        bar.currentValue = bar.minimumValue
    if waiting:
        fail(f"in {where} never in view on the screen {screen} inside the window {window}: "
             + ", ".join(f"{node.name or node.getRoleName()!r} at {atspi_extents(pyatspi, node)}"
                         for node in waiting.values()))
    print(f"{where}: {len(controls)} controls in view, scrolling {len(bars)} bars over {len(grid)} positions")


def expect_tab_keeps_focus_in_view(pyatspi, frame, where):
    """Tab through frame: each focused control is in view as it gets the focus."""
    screen = atspi_screen
    window = atspi_extents(pyatspi, frame)
    stops = sum(1 for node in controls_in(pyatspi, frame).values()
                if node.getState().contains(pyatspi.STATE_FOCUSABLE))
    seen = []
    # Round once, and a little further.
    for _ in range(stops + 2):
        subprocess.run(["xdotool", "key", "Tab"], check=True)
        time.sleep(0.3)
        focused = focused_control(pyatspi)
        if focused is None:
            continue
        seen.append(focused)
        name, extents = focused
        # A text area larger than the window scrolls only its caret into
        # view: some of it shows.
        if extents[2] > window[2] or extents[3] > window[3]:
            visible = clipped(extents, window)
            visible = clipped(visible, screen) if visible else None
            if visible is None or min(visible[2], visible[3]) < 24:
                fail(f"Tab focused {name!r} at {extents}, out of view in {where} {window} on {screen}")
        elif not in_view(extents, window, screen):
            fail(f"Tab focused {name!r} at {extents}, out of view in {where} {window} on {screen}")
    print(f"{where}: Tab kept {len(seen)} focused controls in view: {[name for name, _ in seen]}")


def reveal_and_press(pyatspi, frame, name):
    """Brings the control called name in frame into view (its focus scrolls
    it there, else the bars) and clicks it."""
    window = atspi_extents(pyatspi, frame)
    target = next((node for node in controls_in(pyatspi, frame).values()
                   if node.name == name and node.getRole() != pyatspi.ROLE_LABEL), None)
    if target is None:
        fail(f"no {name!r} in {frame.name!r}")
    try:
        target.queryComponent().grabFocus()
        time.sleep(0.3)
    except Exception:
        pass
    if not in_view(atspi_extents(pyatspi, target), window, atspi_screen):
        fail(f"{name!r} at {atspi_extents(pyatspi, target)} not in view in {window}")
    x, y, width, height = atspi_extents(pyatspi, target)
    click(round((x + width / 2) * atspi_scale), round((y + height / 2) * atspi_scale))


def expect_window_on_screen(window, title):
    """The window's client area and its title bar lie on the screen (the
    window manager's thin borders may not)."""
    left, right, top, bottom = frame_extents(window["id"])
    client = (window["x"], window["y"], window["width"], window["height"])
    title_bar = (window["x"], window["y"] - top, window["width"], top)
    for part, rect in (("client area", client), ("title bar", title_bar)):
        if not contains(screen_rect(), rect):
            fail(f"{title}: its {part} {rect} is not on the screen {screen_rect()}")
    print(f"{title}: {window['width']}x{window['height']} at {window['x']},{window['y']}, "
          f"frame extents {left},{right},{top},{bottom}")


def wait_for_accessibility_registry(desktop):
    """Starts the accessibility bus and its registry and waits until the
    registry answers, as on a desktop where both run before any application.
    The bus launcher puts its socket in the runtime directory, ~/.cache when
    none is set, where the launchers of tests running beside this one would
    take each other's: it gets this desktop's own. Asked from child
    processes: a first call that times out leaves pyatspi broken for good."""
    runtime = os.path.join(desktop.tmp, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    bus = dbus.SessionBus()
    dbus.Interface(bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus"),
                   "org.freedesktop.DBus").UpdateActivationEnvironment({"XDG_RUNTIME_DIR": runtime})

    def registry_answers():
        address = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--reply-timeout=5000",
                                  "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                                 capture_output=True, text=True).stdout.strip()
        return address and subprocess.run(
            ["dbus-send", f"--bus={address}", "--print-reply", "--reply-timeout=5000",
             "--dest=org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root",
             "org.a11y.atspi.Accessible.GetChildren"], capture_output=True).returncode == 0
    wait_for(registry_answers, 60, "the accessibility registry")


atspi_screen = None
atspi_scale = 1.0


def scenario_screen_fit(desktop, scale):
    # The popover and every window on a screen smaller than their design:
    # each lies inside the screen, the popover off the panel, and every
    # control comes into view, by the scroll bars and by Tab.
    global atspi_screen, atspi_scale
    import pyatspi

    wait_for_accessibility_registry(desktop)
    env = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}
    if scale != 1:
        env["QT_SCALE_FACTOR"] = str(scale)
    app = start_app(desktop, env)
    tag = f"desktop-{SCREEN.rsplit('x', 1)[0]}" + ("" if scale == 1 else f"-at-{round(scale * 100)}")
    panel = panel_rect()
    width = round(400 * scale)

    def shown_popover():
        shown = [w for w in windows_of(app.pid) if w["mapped"] and w["width"] == width and w["height"] > 100]
        return shown[0] if shown else None

    def open_popover():
        icon = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["width"] < 60), None),
                        10, "the tray icon")
        click(icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2)
        shown = wait_for(shown_popover, 10, "the popover")
        # The application's first answer over AT-SPI may take a while on a busy machine.
        frame = wait_for(lambda: app_frame(pyatspi, "Lumra"), 30, "the popover over AT-SPI")
        time.sleep(1)
        return shown, frame

    shown, frame = open_popover()
    wait_for(lambda: showing_named(pyatspi, "Quit"), 30, "the popover's controls")
    # AT-SPI reports logical pixels or device pixels, as the Qt version does.
    atspi_scale = shown["width"] / atspi_extents(pyatspi, frame)[2]
    atspi_screen = tuple(round(v / atspi_scale) for v in screen_rect())
    print(f"screen {screen_rect()}, panel {panel}, AT-SPI at 1/{atspi_scale:g}: {atspi_screen}")
    desktop.screenshot(tag + "-popover")
    if not contains(screen_rect(), (shown["x"], shown["y"], shown["width"], shown["height"])):
        fail(f"the popover {shown} is not on the screen {screen_rect()}")
    if clipped((shown["x"], shown["y"], shown["width"], shown["height"]), panel):
        fail(f"the popover {shown} covers the panel {panel}")
    print(f"popover {shown} on the screen, off the panel")
    expect_tab_keeps_focus_in_view(pyatspi, frame, "the popover")
    expect_every_control_in_view(pyatspi, frame, "the popover")

    def open_window(title, opener):
        before = {w["id"] for w in windows_of(app.pid) if w["mapped"]}
        opener()
        window = wait_for(lambda: next((w for w in windows_of(app.pid) if w["mapped"] and w["id"] not in before
                                        and w["width"] > 200), None), 10, f"the {title} window")
        frame = wait_for(lambda: app_frame(pyatspi, title), 15, f"the {title} window over AT-SPI")
        time.sleep(1)
        window = next(w for w in windows_of(app.pid) if w["id"] == window["id"])
        desktop.screenshot(f"{tag}-{title.replace(' ', '-').lower()}")
        expect_window_on_screen(window, title)
        expect_tab_keeps_focus_in_view(pyatspi, frame, f"the {title} window")
        expect_every_control_in_view(pyatspi, frame, f"the {title} window")
        subprocess.run(["xdotool", "windowunmap", window["id"]], check=True)
        time.sleep(0.5)

    open_window("Lumra Settings", lambda: subprocess.run(["xdotool", "key", "ctrl+comma"], check=True))
    for title in ("Wi-Fi Radar", "Channel Scan", "Speed Test", "Diagnostics Export"):
        def open_tool(title=title):
            if shown_popover() is None:
                open_popover()
            popover_frame = app_frame(pyatspi, "Lumra")
            # The popover reopens on the page it closed on.
            if not showing_named(pyatspi, "Back to Main"):
                reveal_and_press(pyatspi, popover_frame, "Open Toolbox")
                wait_for(lambda: showing_named(pyatspi, "Back to Main"), 10, "the toolbox")
                time.sleep(0.8)
            reveal_and_press(pyatspi, popover_frame, title)
        open_window(title, open_tool)
    app.send_signal(signal.SIGTERM)
    expect_clean_exit(app, known_pids(desktop))


def scenario_small_screen(desktop):
    scenario_screen_fit(desktop, 1)


def scenario_scaled_screen(desktop):
    scenario_screen_fit(desktop, 1.5)


def main():
    # Orphans of the application become ours, so none can hide.
    ctypes.CDLL(None, use_errno=True).prctl(36, 1, 0, 0, 0)
    route = subprocess.run(["ip", "route", "show", "default"], capture_output=True, text=True).stdout.strip()
    if sys.argv[1] in ("live", "hostile"):
        # live.sh's client namespace: the only default route leads to its router.
        if not route.startswith("default via 10.213.0.1 dev "):
            fail(f"not in a client namespace: {route!r}")
    elif route:
        fail("not in a namespace of the test's own: a default route is there")
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    scenario = {"tray": scenario_tray, "sni": scenario_sni, "notify": scenario_notify,
                "live": scenario_live, "memory": scenario_memory, "frames": scenario_frames, "hostile": scenario_hostile,
                "keyboard": scenario_keyboard, "assistive": scenario_assistive,
                "hangup": scenario_hangup, "xgone": scenario_xgone, "panels": scenario_panels,
                "notray": scenario_notray, "small-screen": scenario_small_screen,
                "scaled-screen": scenario_scaled_screen}[sys.argv[1]]
    # notify too: without a tray the missing tray's own notification would
    # come beside the update's.
    desktop = Desktop(tray=sys.argv[1] in ("tray", "live", "memory", "frames", "hostile", "keyboard", "assistive",
                                           "hangup", "xgone", "notify", "small-screen", "scaled-screen"))
    try:
        scenario(desktop)
    finally:
        desktop.close()
    print("PASS", sys.argv[1])


if __name__ == "__main__":
    main()
