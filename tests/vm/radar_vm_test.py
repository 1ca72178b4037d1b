#!/usr/bin/env python3
"""The Wi-Fi Radar window's view-model on a simulated radio: inside the VM
scene (scene/init) the radar feed and nearby scanner run over the real
interface provider and scanner, and this checks the score, verdict and
nearby list they give against the scene: the station associated to
lumra-ap-ch6, other access points on channels 1 and 3."""

import argparse
import math
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import lumra_vm  # noqa: E402

SCRIPT = """\
lumra-vm-radar
"""


def term(weight, fraction):
    if not fraction > 0:
        return 0.0
    return weight if fraction > 1 else weight * fraction


def score_of(reading):
    """The link-quality score, worked independently of the program."""
    signal = term(0.40, (reading["rssiDbm"] + 90) / 45)
    snr = 0.0 if reading["snrDb"] is None else term(0.35, reading["snrDb"] / 50)
    floor = (reading["noiseFloorDbm"] + 100) / 30
    noise = 0.15 if floor <= 0 else 0.0 if floor >= 1 else 0.15 * (1 - floor)
    rate = 0.0 if reading["linkRateMbps"] is None else term(0.10, reading["linkRateMbps"] / 1200)
    raw = (signal + snr + noise + rate) * 100
    return max(0, min(100, int(math.floor(raw + 0.5))))


def verdict_of(score):
    if 86 <= score <= 100:
        return "Great spot: strong signal here."
    if 66 <= score <= 85:
        return "Good spot: signal is stable."
    if 46 <= score <= 65:
        return "Keep moving: signal can improve."
    return "Weak spot: move closer to the router."


def check(lines):
    failures = []

    def expect(condition, text):
        if not condition:
            failures.append(text)
        return condition

    scene = next((line for line in lines if line.get("step") == "scene"), None)
    if not expect(scene is not None, "the scene was not built"):
        return failures
    radar = next((line for line in lines if line.get("step") == "radar"), None)
    if not expect(radar is not None, "radar: no result line"):
        return failures
    expect(radar["ready"], f"radar: not ready: {radar}")
    current = scene["accessPoints"][2]
    reading = radar["reading"]
    if expect(reading is not None, "radar: no reading"):
        expect(reading["ssid"] == current["ssid"], f"radar: ssid {reading['ssid']!r}")
        # mac80211_hwsim reports a fixed noise of -92 dBm.
        expect(reading["noiseFloorDbm"] == -92, f"radar: noise {reading['noiseFloorDbm']}")
        expect(reading["snrDb"] == reading["rssiDbm"] + 92, f"radar: snr {reading['snrDb']}")
        score = score_of(reading)
        expect(radar["score"] == score, f"radar: score {radar['score']}, worked {score} from {reading}")
        expect(radar["verdict"] == verdict_of(score), f"radar: verdict {radar['verdict']!r} for {score}")
        expect(radar["cards"][0] == f"Quality {score}", f"radar: cards {radar['cards']}")
    expect(radar["networkTitle"] == current["ssid"] and radar["showsCurrentTag"],
           f"radar: title {radar['networkTitle']!r}, tag {radar['showsCurrentTag']}")
    expect(radar["channelText"] == "Ch 6 . 2.4 GHz", f"radar: channel {radar['channelText']!r}")
    expect(radar["readings"] >= 4, f"radar: {radar['readings']} readings")
    listed = {(row["ssid"], row["id"], row["channel"]) for row in radar["nearbyRows"]}
    others = {(ap["ssid"], ap["bssid"], f"Ch {ap['channel']} . 2.4 GHz") for ap in scene["accessPoints"][:2]}
    expect(listed == others, f"radar: nearby {sorted(listed)}, want the two other access points {sorted(others)}")
    for row in radar["nearbyRows"]:
        expect(row["signal"].endswith(" dBm"), f"radar: signal text {row['signal']!r}")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cache", required=True, help="directory for the kernel and initramfs")
    parser.add_argument("--radar", required=True, help="the built lumra-vm-radar")
    parser.add_argument("--run-dir", required=True, help="where this run keeps its initrd and logs")
    args = parser.parse_args()

    return lumra_vm.run_test(args.cache, [args.radar], SCRIPT, args.run_dir, check,
                             "the radar's score, verdict, channel and nearby list from the real reader "
                             "and scanner on the simulated radio")


if __name__ == "__main__":
    sys.exit(main())
