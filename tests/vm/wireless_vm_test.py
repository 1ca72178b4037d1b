#!/usr/bin/env python3
"""Nl80211Client on a simulated radio: inside the VM scene (scene/init) the
probes read the station's link, scan, look up the station's address through
lumra-systool and run one three-pass channel scan, and this checks what they
printed against the scene: access points on channels 1, 3 and 6, the station
associated to the one on channel 6."""

import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import lumra_vm  # noqa: E402

SCRIPT = """\
lumra-vm-channel-scan
lumra-vm-wireless-probe scene "$STATION"
ip link set "$STATION" down
lumra-vm-wireless-probe down
"""

ENETDOWN = 100

# The channel scan of the scene, worked out from the scoring rules. Three
# 2.4 GHz access points on channels 1, 3 and 6, each seen in all three passes
# (presence 3/3 = 1.0) at -55 dBm or more (weight 1.0; the simulated radio
# gives -30 dBm, checked below); the station is on channel 6. A network on
# channel n counts for channel c when d = |c - n| <= 4, with overlap
# (5 - d) / 5, and adds presence x weight x overlap to c's score:
#
#   c   from 1 (d)  from 3 (d)  from 6 (d)  networks  score
#   1   1.0 (0)     0.6 (2)     -   (5)     2         1.6
#   2   0.8 (1)     0.8 (1)     0.2 (4)     3         1.8
#   3   0.6 (2)     1.0 (0)     0.4 (3)     3         2.0
#   4   0.4 (3)     0.8 (1)     0.6 (2)     3         1.8
#   5   0.2 (4)     0.6 (2)     0.8 (1)     3         1.6
#   6   -   (5)     0.4 (3)     1.0 (0)     2         1.4
#   7   -   (6)     0.2 (4)     0.8 (1)     2         1.0
#   8   -   (7)     -   (5)     0.6 (2)     1         0.6
#   9   -   (8)     -   (6)     0.4 (3)     1         0.4
#   10  -   (9)     -   (7)     0.2 (4)     1         0.2
#   11  -   (10)    -   (8)     -   (5)     0         0.0
#
# Normalised congestion is score / 2.0 (channel 3 is the busiest). Of the
# choosable channels 1 (1.6), 6 (1.4) and 11 (0.0), 11 is suggested in the
# current band, 2.4 GHz; the current channel 6 scores 1.4. Scanned networks:
# 3 access points x 3 passes = 9.
EXPECTED_COUNTS = {1: 2, 2: 3, 3: 3, 4: 3, 5: 3, 6: 2, 7: 2, 8: 1, 9: 1, 10: 1, 11: 0}
EXPECTED_SCORES = {1: 1.6, 2: 1.8, 3: 2.0, 4: 1.8, 5: 1.6, 6: 1.4, 7: 1.0, 8: 0.6, 9: 0.4, 10: 0.2, 11: 0.0}
EXPECTED_SUGGESTION = 11
EXPECTED_CURRENT_SCORE = 1.4
EXPECTED_SCANNED = 9
TOLERANCE = 1e-9


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


def check_systool(checks, line, scene):
    """ipconfig getifaddr through the runner and lumra-systool."""
    if not checks.expect(line is not None, "systool: no result line"):
        return
    result = line["result"]
    address = scene["station"]["ip"]
    run = result.get("getifaddr")
    if checks.expect(run is not None, f"systool: ipconfig getifaddr failed: {result.get('getifaddrError')}"):
        checks.expect(run["exitCode"] == 0 and run["standardOutput"] == address + "\n",
                      f"systool: ipconfig getifaddr {result['station']} printed {run['standardOutput']!r} "
                      f"(exit {run['exitCode']}, stderr {run['standardError']!r}), want {address!r}")
    checks.expect(result.get("resolverAddress") == address,
                  f"systool: the metadata resolver gave {result.get('resolverAddress')!r}, want {address!r}")


def check_channel_scan(checks, line, lines):
    if not checks.expect(line is not None, "channelScan: no result line"):
        return
    checks.expect(line["ended"], f"channelScan: still scanning after {line['elapsedMs']:.0f} ms")
    checks.expect(line["lastErrorMessage"] is None, f"channelScan: {line['lastErrorMessage']}")
    checks.expect(line["totalPasses"] == 3 and line["progress"] == [0, 0, 1, 2, 3],
                  f"channelScan: progress {line['progress']} of {line['totalPasses']}, want 0 (replayed), 0, 1, 2, 3")
    # The arithmetic above assumes full weight for every access point.
    scan = value_of(checks, lines, "scan")
    if scan is not None:
        weak = [n for n in scan["networks"] if n["rssiDbm"] < -55]
        checks.expect(not weak, f"channelScan: weaker than -55 dBm, so weighing less than 1.0: {weak}")
    result = line["result"]
    if not checks.expect(result is not None, "channelScan: no result"):
        return
    expected = {"passCount": 3, "scannedNetworkCount": EXPECTED_SCANNED, "currentChannelNumber": 6,
                "currentBand": "2.4 GHz", "suggestedChannelNumber": EXPECTED_SUGGESTION, "suggestedBand": "2.4 GHz",
                "didSucceed": True}
    for key, want in expected.items():
        checks.expect(result[key] == want, f"channelScan: {key} {result[key]!r}, want {want!r}")
    current = result["currentChannelInterferenceScore"]
    checks.expect(current is not None and abs(current - EXPECTED_CURRENT_SCORE) < TOLERANCE,
                  f"channelScan: current channel's score {current}, want {EXPECTED_CURRENT_SCORE}")
    rows = result["channels"]
    channels = [(row["band"], row["channelNumber"]) for row in rows]
    if not checks.expect(channels == [("2.4 GHz", c) for c in range(1, 12)],
                         f"channelScan: rows {channels}, want 2.4 GHz channels 1 to 11"):
        return
    for row in rows:
        channel = row["channelNumber"]
        checks.expect(row["networkCount"] == EXPECTED_COUNTS[channel],
                      f"channelScan: channel {channel} counts {row['networkCount']}, want {EXPECTED_COUNTS[channel]}")
        checks.expect(abs(row["interferenceScore"] - EXPECTED_SCORES[channel]) < TOLERANCE,
                      f"channelScan: channel {channel} scores {row['interferenceScore']}, "
                      f"want {EXPECTED_SCORES[channel]}")
        want = EXPECTED_SCORES[channel] / 2.0
        checks.expect(abs(row["normalizedCongestion"] - want) < TOLERANCE,
                      f"channelScan: channel {channel} normalised {row['normalizedCongestion']}, want {want}")


def check(lines):
    checks = lumra_vm.Checks()
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
    # The running scan is joined, and its results are the call's.
    check_scan(checks, "scanWhileBusy", value_of(checks, lines, "scanWhileBusy"), scene, "freshScan")

    unprivileged = step(lines, "unprivilegedScan")
    checks.expect(unprivileged is not None and unprivileged["uid"] != 0, "the unprivileged scan ran as root")
    check_reading(checks, "unprivilegedReading", value_of(checks, lines, "unprivilegedReading"), scene)
    # No system bus in this scene: no service to ask.
    check_scan(checks, "unprivilegedScan", value_of(checks, lines, "unprivilegedScan"), scene, "cachedResults")

    check_probes(checks, step(lines, "probes"), scene)
    check_systool(checks, step(lines, "systool"), scene)
    check_channel_scan(checks, step(lines, "channelScan"), lines)

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
    parser.add_argument("--channel-scan", required=True, help="the built lumra-vm-channel-scan")
    parser.add_argument("--systool", required=True, help="the built lumra-systool")
    parser.add_argument("--run-dir", required=True, help="where this run keeps its initrd and logs")
    args = parser.parse_args()

    programs = [args.probe, args.channel_scan, args.systool]
    return lumra_vm.run_test(args.cache, programs, SCRIPT, args.run_dir, check,
                             "reading, triggered, refused, joined and failed scans, the probes' readers, "
                             "the station's address through lumra-systool and a three-pass channel scan "
                             "on the simulated radio")


if __name__ == "__main__":
    sys.exit(main())
