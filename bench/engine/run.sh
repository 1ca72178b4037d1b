#!/bin/sh
# Runs the engine bench inside a client namespace of its own: the router at
# 10.213.0.1 is the internet target, a DNS server and the captive-portal pages
# run on the namespace's loopback. Root only; nothing leaves the machine.
#   bench/engine/run.sh [BUILD_DIR] [SECONDS_PER_MODE]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=${1:-build/release}
seconds=${2:-60}
args="lumra_engine_c lumra_engine_r lec0 ler0"
sh "$tests/probes/live/netns.sh" setup $args
pids=""
trap 'for p in $pids; do kill $p 2>/dev/null; done; sh "$tests/probes/live/netns.sh" cleanup $args' EXIT
ip netns exec lumra_engine_c python3 "$tests/probes/live/dns_responder.py" 127.0.0.1 53 > /dev/null &
pids="$pids $!"
fifo=$(mktemp -u)
mkfifo "$fifo"
sleep 1000000 > "$fifo" &
pids="$pids $!"
ip netns exec lumra_engine_c python3 "$tests/platform/http/http_test_server.py" < "$fifo" > "$fifo.out" &
pids="$pids $!"
sleep 1
port=$(sed -n 's/^port //p' "$fifo.out" | head -n 1)
rm -f "$fifo"
ip netns exec lumra_engine_c "$build/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:$port" "$seconds"
