#!/bin/sh
# Runs the poll-cost bench inside the client namespace of the live probe
# tests, with a DNS server on the namespace's own loopback. Root only.
#   bench/probes/run.sh [BUILD_DIR] [POLLS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build/release}
polls=${2:-20}
args="lumra_bench_c lumra_bench_r lbc0 lbr0"
sh "$here/../../tests/probes/live/netns.sh" setup $args
trap 'kill $dns 2>/dev/null; sh "$here/../../tests/probes/live/netns.sh" cleanup $args' EXIT
ip netns exec lumra_bench_c python3 "$here/../../tests/probes/live/dns_responder.py" 127.0.0.1 53 > /dev/null &
dns=$!
sleep 0.5
ip netns exec lumra_bench_c "$build/bin/poll_cost" "$polls" 10.213.0.1
