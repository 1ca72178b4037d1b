#!/usr/bin/env python3
"""Fresh scans for an unprivileged user on a simulated radio: inside the VM
scene (scene/init), with a stand-in NetworkManager on the VM's own system bus
that runs the real trigger as root when asked (fresh_scan_in_vm.py), the
scanner run as nobody must see the scene as it is now: an access point
started after the last scan appears and one stopped since is gone, and each
of the channel scan's three passes is a scan of its own, asked of the
stand-in, whose results the kernel saw during that pass."""

import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import lumra_vm  # noqa: E402

HERE = Path(__file__).resolve().parent
TESTS = HERE.parent

SCRIPT = """\
host-root /host
chroot /host /usr/bin/env PATH=/usr/sbin:/usr/bin:/sbin:/bin \\
    /usr/bin/python3 {program} {probe} "$STATION"
"""

# A result the kernel saw during a pass is at most that old when the pass's
# scan returns (the dump follows at once); the slack covers the dump itself.
AGE_SLACK_MS = 1000


def step(lines, name):
    return next((line for line in lines if line.get("step") == name), None)


def check(lines):
    checks = lumra_vm.Checks()
    expect = checks.expect
    scene = step(lines, "scene")
    if not expect(scene is not None, f"the scene was not built: {step(lines, 'scene-failed')}"):
        return checks.failures
    expect(step(lines, "end") is not None, "the VM did not reach the end of the payload")
    aps = {ap["ssid"]: ap for ap in scene["accessPoints"]}
    baseline = step(lines, "baseline")
    expect(baseline is not None and baseline["seen"] is not None
           and {ap["bssid"] for ap in aps.values()} <= set(baseline["seen"]),
           f"the root scan before the change did not see the scene: {baseline}")
    change = step(lines, "sceneChange")
    if not expect(change is not None, "the scene did not change"):
        return checks.failures
    stopped, started = change["stopped"], change["started"]

    scan = step(lines, "freshScan")
    if expect(scan is not None and "source" in scan, f"freshScan: no scan: {scan}"):
        expect(scan["uid"] != 0, "freshScan: ran as root")
        expect(scan["source"] == "freshScan", f"freshScan: source {scan['source']}, want freshScan")
        seen = {network["bssid"]: network for network in scan["networks"]}
        expect(started["bssid"] in seen,
               f"freshScan: {started['ssid']} ({started['bssid']}), started after the last scan, is missing")
        expect(stopped["bssid"] not in seen,
               f"freshScan: {stopped['ssid']} ({stopped['bssid']}), stopped before the scan, is still listed")
        for name in ("lumra-ap-ch1", "lumra-ap-ch6"):
            expect(aps[name]["bssid"] in seen, f"freshScan: {name} is missing")

    service = step(lines, "networkManager")
    requests = []
    ended = []
    if expect(service is not None, "networkManager: no result line"):
        for at, line in service["lines"]:
            words = line.split()
            if words[0] == "requested":
                expect(words[1] == service["devicePath"], f"networkManager: a scan asked of {words[1]}")
                requests.append(at)
            elif words[0] == "scan-ended":
                ended.append(int(words[2]))
        marks = service["marks"]
        during_scan = [at for at in requests if marks["scan"] <= at < marks["channelScan"]]
        during_channel_scan = [at for at in requests if marks["channelScan"] <= at < marks["end"]]
        expect(len(during_scan) == 1, f"networkManager: {len(during_scan)} requests for the one scan, want 1")
        expect(len(during_channel_scan) == 3,
               f"networkManager: {len(during_channel_scan)} requests during the channel scan, want 3")
        expect(len(ended) >= 4 and ended == sorted(set(ended)),
               f"networkManager: LastScan values {ended}, want four or more, each later than the one before")

    channel_scan = step(lines, "channelScan")
    if expect(channel_scan is not None, "channelScan: no result line"):
        expect(channel_scan["uid"] != 0, "channelScan: ran as root")
        expect(channel_scan["ended"] and channel_scan["lastErrorMessage"] is None,
               f"channelScan: ended {channel_scan['ended']}, error {channel_scan['lastErrorMessage']}")
        passes = channel_scan["passes"]
        expect(len(passes) == 3, f"channelScan: {len(passes)} passes, want 3")
        current = [aps["lumra-ap-ch1"]["bssid"], aps["lumra-ap-ch6"]["bssid"], started["bssid"]]
        for index, record in enumerate(passes):
            expect(record["source"] == "freshScan",
                   f"channelScan: pass {index + 1} source {record['source']}, want freshScan")
            for bssid in current:
                age = record["agesMs"].get(bssid)
                limit = record["elapsedMs"] + AGE_SLACK_MS
                expect(age is not None and age <= limit,
                       f"channelScan: pass {index + 1}: {bssid} last seen {age} ms ago, "
                       f"the pass took {record['elapsedMs']:.0f} ms")
    return checks.failures


def main():
    parser = lumra_vm.argument_parser()
    parser.add_argument("--probe", required=True, help="the built lumra-vm-fresh-scan")
    args = parser.parse_args()
    probe = Path(args.probe).resolve()
    script = SCRIPT.format(program=HERE / "fresh_scan_in_vm.py", probe=probe)
    # The host's programs, the stand-ins and the built probe, read-only.
    shares = ["/usr", "/etc", str(TESTS), str(probe.parent)]
    return lumra_vm.run_test(args.cache, [], script, args.run_dir, check,
                             "as nobody, a fresh scan through the stand-in NetworkManager shows the started "
                             "access point and not the stopped one, and three channel-scan passes are three "
                             "fresh scans", timeout=280, memory_mb=1024, cpus=2, shares=shares)


if __name__ == "__main__":
    sys.exit(main())
