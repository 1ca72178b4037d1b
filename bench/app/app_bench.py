#!/usr/bin/python3
"""Measures the running application (see run.sh): CPU per minute with the
popover closed and open, peak RSS beside that of a bare tray application, and
the click-to-first-frame time."""
import json
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "app", "desktop"))
import desktop_test as desk  # noqa: E402
import xpointer  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """The process's own CPU and that of its children it has waited for;
    the process's own; its main thread's."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    with open(f"/proc/{pid}/task/{pid}/stat") as stat:
        main_thread = stat.read().rsplit(")", 1)[1].split()
    return (sum(int(fields[i]) for i in (11, 12, 13, 14)) / TICKS, sum(int(fields[i]) for i in (11, 12)) / TICKS,
            sum(int(main_thread[i]) for i in (11, 12)) / TICKS)


def per_minute(start, end, seconds):
    return [(e - s) * 60 / seconds for s, e in zip(start, end)]


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def painted(pixel):
    """Whether a pixel shows the panel's dark background."""
    r, g, b = pixel
    return r < 80 and g < 80 and b < 80 and (r, g, b) != (0, 0, 0)


def main():
    seconds = int(sys.argv[1]) if len(sys.argv) > 1 else 60
    subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
    desktop = desk.Desktop(tray=True)
    try:
        home = os.path.join(desktop.tmp, "home")
        os.makedirs(os.path.join(home, ".config", "lumra"), exist_ok=True)
        with open(os.path.join(home, ".config", "lumra", "defaults.json"), "w") as f:
            json.dump({"internetPingTarget": "10.213.0.1", "batteryFriendly": True}, f)
        app = desk.start_app(desktop)
        icon = desk.wait_for(lambda: next((w for w in desk.windows_of(app.pid) if w["mapped"] and w["width"] < 40),
                                          None), 10, "the tray icon")
        cx, cy = icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2
        time.sleep(2)

        start = cpu_seconds(app.pid)
        time.sleep(seconds)
        closed = per_minute(start, cpu_seconds(app.pid), seconds)

        desk.click(cx, cy)
        shown = desk.wait_for(lambda: desk.popover(app.pid), 10, "the popover")
        time.sleep(2)
        start = cpu_seconds(app.pid)
        time.sleep(seconds)
        opened = per_minute(start, cpu_seconds(app.pid), seconds)
        if desk.popover(app.pid) is None:
            desk.fail("the popover closed during the measurement")
        desk.click(cx, cy)
        desk.wait_for(lambda: desk.popover(app.pid) is None, 10, "the popover to close")

        # A pixel inside the panel, clear of its controls; before the click
        # it shows the desktop behind.
        pointer = xpointer.Pointer()
        px, py = shown["x"] + 20, shown["y"] + shown["height"] // 2
        delays = []
        for _ in range(20):
            pointer.move(cx, cy)
            time.sleep(0.6)
            if painted(pointer.pixel(px, py)):
                desk.fail("the popover's place looks painted before the click")
            clicked = time.monotonic()
            pointer.click()
            deadline = clicked + 10
            while not painted(pointer.pixel(px, py)):
                if time.monotonic() > deadline:
                    desk.fail("timed out waiting for the popover's first frame")
                time.sleep(0.0005)
            delays.append((time.monotonic() - clicked) * 1000)
            time.sleep(0.3)
            pointer.click()
            desk.wait_for(lambda: desk.popover(app.pid) is None, 10, "the popover to close")
        pointer.close()
        rss = peak_rss_kib(app.pid)
        app.terminate()
        app.wait(10)
        floor = subprocess.run([os.path.join(os.path.dirname(desk.APP), "rss_floor")], env=desk.app_env(desktop),
                               capture_output=True, text=True, timeout=30, check=True).stdout.strip()
        for name, (total, own, main_thread) in (("popover closed (4 s polling)", closed),
                                                 ("popover open (0.5 s polling)", opened)):
            print(f"{name}: {total:.2f} CPU s per minute (process and children; "
                  f"the process alone {own:.3f}, its main thread {main_thread:.3f})")
        print(f"peak RSS: {rss / 1024:.1f} MiB")
        print(floor)
        print(f"tray click to first painted popover frame: median {statistics.median(delays):.0f} ms "
              f"(min {min(delays):.0f}, max {max(delays):.0f}, n={len(delays)}; from the press sent to the X server, "
              "one pixel read every 0.5 ms)")
    finally:
        desktop.close()


if __name__ == "__main__":
    main()
