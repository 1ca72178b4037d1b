#!/usr/bin/python3
"""One configuration of the application soak (see soak.sh): the application
on Xvfb with openbox and a tray host, its popover or its Wi-Fi Radar open for
the whole run, sampled at a fixed interval: RSS (and its anonymous part),
anonymous mappings, heap in use (HeapReport.c preloaded), descriptors,
threads and child processes. At the end, the drift of each memory figure
after the warm-up (least-squares slope, MiB per hour); the growth of the
process's own memory (anonymous RSS, anonymous mappings, heap) is judged
against the limit.
  soak.py trayer|sni popover|radar MINUTES HEAP_REPORT_LIBRARY RESULT_JSON"""
import json
import os
import signal
import subprocess
import sys
import time

import dbus

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "app", "desktop"))
import desktop_test as desk  # noqa: E402

DRIFT_LIMIT_MIB_PER_HOUR = 1.0
RADAR_SIZE = (1080, 680)


def children(pid):
    count = 0
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == pid:
            count += 1
    return count


def last_heap_bytes(path):
    try:
        with open(path) as report:
            lines = report.read().split("\n")
    except OSError:
        return None
    lines = [line for line in lines if line]
    return int(lines[-1].split()[1]) if lines else None


def sample(pid, heap_report):
    heap = last_heap_bytes(heap_report)
    return {"rss_kib": desk.status_kib(pid, "VmRSS"), "rss_anon_kib": desk.status_kib(pid, "RssAnon"),
            "anonymous_kib": desk.anonymous_kib(pid),
            "heap_kib": heap // 1024 if heap is not None else None,
            "fds": len(os.listdir(f"/proc/{pid}/fd")), "threads": desk.status_kib(pid, "Threads"),
            "children": children(pid)}


def slope_per_hour(points):
    """Least-squares slope of (seconds, KiB) points, in MiB per hour."""
    if len(points) < 2:
        return 0.0
    n = len(points)
    mean_t = sum(t for t, _ in points) / n
    mean_v = sum(v for _, v in points) / n
    spread = sum((t - mean_t) ** 2 for t, _ in points)
    if spread == 0:
        return 0.0
    slope = sum((t - mean_t) * (v - mean_v) for t, v in points) / spread
    return slope * 3600 / 1024


def start_app(desktop, library, heap_report):
    home = os.path.join(desktop.tmp, "home")
    runtime = os.path.join(desktop.tmp, "runtime")
    os.makedirs(os.path.join(home, ".config", "lumra"), exist_ok=True)
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    with open(os.path.join(home, ".config", "lumra", "defaults.json"), "w") as defaults:
        json.dump({"internetPingTarget": "10.213.0.1"}, defaults)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, ".config"), HOME=home, XDG_RUNTIME_DIR=runtime,
               LUMRA_UPDATE_API_URL="http://127.0.0.1:9/update",
               LUMRA_UPDATE_DOWNLOAD_BASE_URL="http://127.0.0.1:9/download/",
               LD_PRELOAD=library, LUMRA_HEAP_REPORT=heap_report, LUMRA_HEAP_REPORT_SECONDS="5")
    env.pop("QT_QPA_PLATFORM", None)
    log = os.path.join(desktop.tmp, "app.log")
    app = subprocess.Popen([desk.APP], env=env, stdout=open(log, "w"), stderr=subprocess.STDOUT)
    app.log = log
    return app


class Opener:
    """Opens the popover from the tray host, and the radar from the popover."""

    def __init__(self, host, app, registrations):
        self.host, self.app = host, app
        if host == "sni":
            _, _, self.item = desk.status_notifier_item(registrations)
        else:
            icon = desk.wait_for(lambda: next((w for w in desk.windows_of(app.pid)
                                               if w["mapped"] and w["width"] < 40), None), 10, "the tray icon")
            self.icon = (icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2)

    def popover(self):
        if self.host == "sni":
            subprocess.run(["xdotool", "mousemove", "500", "120"], check=True)
            dbus.Interface(self.item, "org.kde.StatusNotifierItem").Activate(500, 120)
        else:
            desk.click(*self.icon)
        return desk.wait_for(lambda: desk.popover(self.app.pid), 10, "the popover")

    def radar_window(self):
        return next((w for w in desk.windows_of(self.app.pid)
                     if w["mapped"] and (w["width"], w["height"]) == RADAR_SIZE), None)

    def radar(self):
        shown = self.popover()
        time.sleep(1)
        # The header's toolbox button, then the toolbox's first row.
        desk.click(shown["x"] + 325, shown["y"] + 24)
        time.sleep(1)
        desk.click(shown["x"] + 200, shown["y"] + 113)
        return desk.wait_for(self.radar_window, 10, "the Wi-Fi Radar window")

    def shown(self, window):
        return (desk.popover(self.app.pid) if window == "popover" else self.radar_window()) is not None


def main():
    host, window, minutes, library, result_path = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4], \
        sys.argv[5]
    # A short run samples more often and warms up for a minute.
    interval = 60 if minutes >= 10 else 10
    warmup = 300 if minutes >= 10 else 60
    desktop = desk.Desktop(tray=host == "trayer")
    heap_report = os.path.join(desktop.tmp, "heap")
    try:
        registrations = desk.start_watcher(desktop) if host == "sni" else None
        app = start_app(desktop, library, heap_report)
        opener = Opener(host, app, registrations)
        time.sleep(2)
        opener.popover() if window == "popover" else opener.radar()
        desktop.screenshot(f"soak-{host}-{window}")
        started = time.monotonic()
        samples, reopened = [], 0
        while True:
            elapsed = time.monotonic() - started
            if not opener.shown(window):
                reopened += 1
                opener.popover() if window == "popover" else opener.radar()
            figures = sample(app.pid, heap_report)
            figures["seconds"] = round(elapsed)
            samples.append(figures)
            print(f"{host}x{window} {figures['seconds']:5d} s: RSS {figures['rss_kib']} KiB (anonymous "
                  f"{figures['rss_anon_kib']} KiB), anonymous mappings "
                  f"{figures['anonymous_kib']} KiB, heap {figures['heap_kib']} KiB, {figures['fds']} fds, "
                  f"{figures['threads']} threads, {figures['children']} children", flush=True)
            if elapsed >= minutes * 60 - 1:
                break
            time.sleep(max(0.0, started + len(samples) * interval - time.monotonic()))
        app.send_signal(signal.SIGTERM)
        desk.expect_clean_exit(app, desk.known_pids(desktop), timeout=20)
    finally:
        desktop.close()

    after = [s for s in samples if s["seconds"] >= warmup]
    drift = {}
    for key in ("rss_kib", "rss_anon_kib", "anonymous_kib", "heap_kib"):
        points = [(s["seconds"], s[key]) for s in after if s[key] is not None]
        drift[key] = round(slope_per_hour(points), 3)
    result = {"configuration": f"{host}x{window}", "minutes": minutes, "interval_s": interval, "warmup_s": warmup,
              "reopened": reopened, "drift_mib_per_hour": drift,
              "first_after_warmup": after[0] if after else None, "last": samples[-1],
              "fds_range": [min(s["fds"] for s in samples), max(s["fds"] for s in samples)],
              "threads_range": [min(s["threads"] for s in samples), max(s["threads"] for s in samples)],
              "children_max": max(s["children"] for s in samples), "samples": samples}
    with open(result_path, "w") as out:
        json.dump(result, out, indent=1)
    # The process's own memory grows or not; its file-backed pages (the
    # libraries) come and go with the page cache of the whole machine, so
    # total RSS is reported but not judged.
    worst = max(drift[key] for key in ("rss_anon_kib", "anonymous_kib", "heap_kib"))
    verdict = "within" if worst <= DRIFT_LIMIT_MIB_PER_HOUR else "OVER"
    print(f"{host}x{window}: drift after {warmup} s (MiB/h) RSS {drift['rss_kib']} (anonymous "
          f"{drift['rss_anon_kib']}), anonymous mappings {drift['anonymous_kib']}, heap {drift['heap_kib']}: "
          f"{verdict} the {DRIFT_LIMIT_MIB_PER_HOUR} MiB/h limit; "
          f"fds {result['fds_range']}, threads {result['threads_range']}, children at most {result['children_max']}, "
          f"window reopened {reopened} times", flush=True)
    if verdict != "within":
        sys.exit(1)


if __name__ == "__main__":
    main()
