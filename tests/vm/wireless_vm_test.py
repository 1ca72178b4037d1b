#!/usr/bin/env python3
"""Nl80211Client on a simulated radio: inside the VM scene (scene/init) the
probe reads the station's link and scans, and this checks what it printed
against the scene: access points on channels 1, 3 and 6, the station
associated to the one on channel 6."""

import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import lumra_vm  # noqa: E402

SCRIPT = """\
lumra-vm-wireless-probe scene
ip link set "$STATION" down
lumra-vm-wireless-probe down
"""

ENETDOWN = 100


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, text):
        if not condition:
            self.failures.append(text)
        return condition


def step(lines, name):
    for line in lines:
        if line.get("step") == name:
            return line
    return None


def value_of(checks, lines, name):
    line = step(lines, name)
    if not checks.expect(line is not None, f"{name}: no result line"):
        return None
    result = line["result"]
    if not checks.expect("error" not in result, f"{name}: failed with {result.get('error')}"):
        return None
    return result["value"]


def check_reading(checks, name, reading, scene):
    ap = scene["accessPoints"][2]
    if not checks.expect(reading is not None, f"{name}: no reading"):
        return
    expected = {
        "interface": scene["station"]["interface"],
        "ssid": ap["ssid"],
        "bssid": ap["bssid"],
        "channel": {"frequencyMhz": 2437, "number": 6, "band": "2.4 GHz"},
    }
    for key, want in expected.items():
        checks.expect(reading.get(key) == want, f"{name}: {key} is {reading.get(key)!r}, want {want!r}")
    checks.expect(-100 <= reading["signalDbm"] < 0, f"{name}: signal {reading['signalDbm']} dBm")
    checks.expect(reading["transmitRateMbps"] >= 1, f"{name}: rate {reading['transmitRateMbps']} Mbps")
    # mac80211_hwsim's survey reports a fixed noise of -92 dBm.
    checks.expect(reading["noiseDbm"] == -92, f"{name}: noise {reading['noiseDbm']} dBm, want -92")


def check_scan(checks, name, scan, scene, source):
    if not checks.expect(scan is not None, f"{name}: no scan"):
        return
    checks.expect(scan["source"] == source, f"{name}: source {scan['source']}, want {source}")
    seen = {n["bssid"]: n for n in scan["networks"]}
    for ap in scene["accessPoints"]:
        network = seen.get(ap["bssid"])
        if not checks.expect(network is not None, f"{name}: {ap['ssid']} ({ap['bssid']}) not seen"):
            continue
        checks.expect(network["ssid"] == ap["ssid"], f"{name}: {ap['bssid']} named {network['ssid']!r}")
        channel = network["channel"] or {}
        checks.expect(channel.get("number") == ap["channel"] and channel.get("band") == "2.4 GHz",
                      f"{name}: {ap['ssid']} on {channel}, want channel {ap['channel']} at 2.4 GHz")
        checks.expect(-100 <= network["rssiDbm"] < 0, f"{name}: {ap['ssid']} rssi {network['rssiDbm']}")


def check_probes(checks, line, scene):
    """The types the monitors use, on top of the client."""
    if not checks.expect(line is not None, "probes: no result line"):
        return
    probes = line["result"]
    station = scene["station"]["interface"]
    ap = scene["accessPoints"][2]
    checks.expect(probes["currentWiFiInterfaceName"] == station,
                  f"probes: currentWiFiInterfaceName {probes['currentWiFiInterfaceName']!r}, want {station!r}")
    snapshot = probes["snapshot"] or {}
    expected = {"interfaceName": station, "ssid": ap["ssid"], "bssid": ap["bssid"], "channelNumber": 6,
                "band": "2.4 GHz", "noiseFloorDbm": -92}
    for key, want in expected.items():
        checks.expect(snapshot.get(key) == want, f"probes: snapshot {key} {snapshot.get(key)!r}, want {want!r}")
    checks.expect((snapshot.get("linkRateMbps") or 0) >= 1, f"probes: link rate {snapshot.get('linkRateMbps')}")
    checks.expect(-100 <= snapshot.get("rssiDbm", 0) < 0, f"probes: rssi {snapshot.get('rssiDbm')}")
    if not checks.expect("scan" in probes, f"probes: scan failed: {probes.get('scanError')}"):
        return
    seen = {(n["bssid"], n["ssid"], n["channelNumber"], n["band"]) for n in probes["scan"]}
    for ap in scene["accessPoints"]:
        want = (ap["bssid"], ap["ssid"], ap["channel"], "2.4 GHz")
        checks.expect(want in seen, f"probes: scan lacks {want}")


def check(lines):
    checks = Checks()
    scene = step(lines, "scene")
    if not checks.expect(scene is not None, "the scene was not built: " + str(step(lines, "scene-failed"))):
        return checks.failures
    checks.expect(step(lines, "end") is not None, "the VM did not reach the end of the payload")

    interface = value_of(checks, lines, "defaultInterface")
    checks.expect(interface is not None and interface["name"] == scene["station"]["interface"],
                  f"default interface {interface}, want the station {scene['station']['interface']}")

    check_reading(checks, "reading", value_of(checks, lines, "reading"), scene)
    check_scan(checks, "scan", value_of(checks, lines, "scan"), scene, "freshScan")

    busy = step(lines, "scanWhileBusy")
    checks.expect(busy is not None and busy["otherScanStarted"], "iw could not start the competing scan")
    check_scan(checks, "scanWhileBusy", value_of(checks, lines, "scanWhileBusy"), scene, "cachedResults")

    unprivileged = step(lines, "unprivilegedScan")
    checks.expect(unprivileged is not None and unprivileged["uid"] != 0, "the unprivileged scan ran as root")
    check_reading(checks, "unprivilegedReading", value_of(checks, lines, "unprivilegedReading"), scene)
    check_scan(checks, "unprivilegedScan", value_of(checks, lines, "unprivilegedScan"), scene, "cachedResults")

    check_probes(checks, step(lines, "probes"), scene)

    down = value_of(checks, lines, "downReading")
    if checks.expect(down is not None, "downReading: a station that is down still has a reading"):
        checks.expect(down["channel"] is None and down["ssid"] is None and down["bssid"] is None,
                      f"downReading: a downed station reads as associated: {down}")
    down_scan = step(lines, "downScan")
    error = (down_scan or {}).get("result", {}).get("error")
    checks.expect(error == {"errno": ENETDOWN, "message": "Network is down"},
                  f"downScan: error {error}, want ENETDOWN with its strerror text")
    return checks.failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cache", required=True, help="directory for the kernel and initramfs")
    parser.add_argument("--probe", required=True, help="the built lumra-vm-wireless-probe")
    parser.add_argument("--run-dir", required=True, help="where this run keeps its initrd and logs")
    args = parser.parse_args()

    if lumra_vm.qemu_binary() is None:
        print("SKIP: qemu-system-x86_64 is not installed (./setup installs qemu-system-x86); "
              "the simulated-radio test cannot run")
        return lumra_vm.SKIP
    try:
        lines = lumra_vm.run_scene(args.cache, [args.probe], SCRIPT, args.run_dir)
    except lumra_vm.VmError as error:
        print(f"FAIL: {error}\n--- console ---\n{lumra_vm.console_tail(args.run_dir)}")
        return 1
    for line in lines:
        print(f"result: {line}")
    failures = check(lines)
    if failures:
        print("FAIL:\n  " + "\n  ".join(failures))
        print(f"--- console ---\n{lumra_vm.console_tail(args.run_dir)}")
        return 1
    print("PASS: reading, triggered, refused, busy and failed scans and the probes' readers on the simulated radio")
    return 0


if __name__ == "__main__":
    sys.exit(main())
