#!/usr/bin/env python3
"""The application's tray icon over a real Wi-Fi link: inside the VM scene
(scene/init) the built application runs on Xvfb with a stand-in
StatusNotifierWatcher, from the host's own directories shared read-only
(scene/host-root), its station in a network namespace of its own associated
to the scene's access point, which is the router, the DNS server and the
probe page's host (tray_health_in_vm.py). Its icon must show the pause badge
without a link, a health badge within 10 s of the association, a good or
warning one that holds once the link works, and poor or disconnected after the router's address is
removed; SIGTERM then ends it with 0 and nothing of it left."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import lumra_vm  # noqa: E402

HERE = Path(__file__).resolve().parent
TESTS = HERE.parent
# From the station's association to a health badge, at most.
HEALTH_WITHIN = 10.0

SCRIPT = """\
host-root /host
# Names resolve through the router's DNS server only.
echo "nameserver $AP_ADDRESS" > /run/lumra-resolv.conf
mount --bind /run/lumra-resolv.conf /host/etc/resolv.conf
chroot /host /usr/bin/env PATH=/usr/sbin:/usr/bin LUMRA_APP={app} \\
    /usr/bin/python3 {program} router "$STATION" "$AP_ADDRESS" "$STATION_ADDRESS"
"""


def check(lines):
    checks = lumra_vm.Checks()
    expect = checks.expect
    failures = checks.failures

    def step(name):
        return next((line for line in lines if line.get("step") == name), None)

    scene = step("scene")
    if not expect(scene is not None, f"the scene was not built: {step('scene-failed')}"):
        return failures
    expect(step("end") is not None, "the VM did not reach the end of the payload")
    router = step("router")
    if expect(router is not None, "router: no result line"):
        expect(router["stationExit"] == 0, f"the station part ended with {router['stationExit']}")
        expect(router["probePageRequests"] >= 1,
               "the probe page was never fetched through the router's DNS answer")
    tray = step("tray")
    if not expect(tray is not None, "tray: no result line"):
        return failures
    if not expect("error" not in tray, f"tray: {tray.get('error')}"):
        return failures
    shown = [state for _, state in tray["badges"] if state is not None]
    expect(shown[:1] == ["disconnected"], f"the first badge shown was not the pause badge: {tray['badges']}")
    health_after = tray.get("healthAfter")
    expect(health_after is not None and health_after <= HEALTH_WITHIN,
           f"a health badge {health_after} s after the association, want within {HEALTH_WITHIN} s")
    expect(tray.get("settled") in ("good", "warning"),
           f"on the working link the badge did not hold good or warning: {tray['badges']}")
    expect(tray.get("afterRemoval") in ("poor", "disconnected") and tray.get("removalAfter") is not None,
           f"after the router's address went the badge shows {tray.get('afterRemoval')}")
    expect(tray.get("exit") == 0, "the application did not end cleanly")
    return failures


def main():
    parser = lumra_vm.argument_parser()
    parser.add_argument("--app", required=True, help="the built lumra (lumra-systool beside it)")
    args = parser.parse_args()

    app = Path(args.app).resolve()
    program = HERE / "tray_health_in_vm.py"
    script = SCRIPT.format(app=app, program=program)
    # The VM reads the host's programs and libraries, the tests' scripts and
    # the built programs; it writes none of them.
    shares = ["/usr", "/etc", str(TESTS), str(app.parent)]
    return lumra_vm.run_test(args.cache, [], script, args.run_dir, check,
                             "pause badge without a link, a health badge within "
                             f"{HEALTH_WITHIN:.0f} s of the association, good or warning on the working "
                             "link, poor or disconnected without the router",
                             timeout=200, memory_mb=1024, cpus=2, shares=shares)


if __name__ == "__main__":
    sys.exit(main())
