#!/usr/bin/python3
"""The running application's CPU seconds per minute (process and the tools
it runs) with the popover open, on Xvfb with a tray, inside the namespace
run-popover.sh made. Prints one line."""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "app",
                                "desktop"))
import desktop_test  # noqa: E402


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    # utime, stime, cutime, cstime (fields 14 to 17 of the whole line).
    ticks = sum(int(value) for value in fields[11:15])
    return ticks / os.sysconf("SC_CLK_TCK")


def main():
    seconds = float(sys.argv[1])
    target = os.environ["LUMRA_LIVE_INTERNET_TARGET"]
    desktop = desktop_test.Desktop(tray=True)
    try:
        home = os.path.join(desktop.tmp, "home", ".config", "lumra")
        os.makedirs(home, exist_ok=True)
        with open(os.path.join(home, "defaults.json"), "w") as defaults:
            defaults.write('{"internetPingTarget": "%s"}' % target)
        app = desktop_test.start_app(desktop)
        icon = desktop_test.wait_for(
            lambda: next((w for w in desktop_test.windows_of(app.pid) if w["mapped"] and w["width"] < 40), None),
            10, "the tray icon")
        desktop_test.click(icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2)
        desktop_test.wait_for(lambda: desktop_test.popover(app.pid), 10, "the popover")
        time.sleep(5)
        before = cpu_seconds(app.pid)
        time.sleep(seconds)
        used = cpu_seconds(app.pid) - before
        if desktop_test.popover(app.pid) is None:
            desktop_test.fail("the popover closed during the measurement")
        print(f"application with the popover open: {used * 60 / seconds:.2f} CPU s per minute "
              "(process and the tools it ran)", flush=True)
        app.terminate()
        app.wait(10)
    finally:
        desktop.close()


if __name__ == "__main__":
    main()
