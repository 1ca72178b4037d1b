#!/bin/sh
# Runs the engine bench inside a client namespace of its own: the router at
# 10.213.0.1 is the internet target, a DNS server and the captive-portal pages
# run on the namespace's loopback. The namespace lets every group open ICMP
# datagram sockets, as systemd's default does on Debian desktops. Given a
# second build tree (an older commit's), that tree's bench runs first in the
# same namespace, for a before/after comparison in one run. Root only;
# nothing leaves the machine.
#   bench/engine/run.sh [BUILD_DIR] [SECONDS_PER_MODE] [BEFORE_BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=${1:-build/release}
seconds=${2:-60}
before=${3:-}
args="lumra_engine_c lumra_engine_r lec0 ler0"
sh "$tests/probes/live/netns.sh" setup $args
ip netns exec lumra_engine_c sysctl -qw net.ipv4.ping_group_range="0 2147483647"
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
if [ -n "$before" ]; then
    echo "== before: $before"
    ip netns exec lumra_engine_c "$before/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:$port" "$seconds"
    echo "== after: $build"
fi
ip netns exec lumra_engine_c "$build/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:$port" "$seconds"
