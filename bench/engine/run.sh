#!/bin/sh
# Runs the engine bench inside a client namespace of its own: the router at
# 10.213.0.1 is the internet target, a DNS server and the captive-portal pages
# run on the namespace's loopback. The namespace lets every group open ICMP
# datagram sockets, as systemd's default does on Debian desktops. Given more
# build trees (older commits'), each of their benches runs first, in order, in
# the same namespace, for a before/after comparison in one run. Root only;
# nothing leaves the machine.
#   bench/engine/run.sh [BUILD_DIR] [SECONDS_PER_MODE] [BEFORE_BUILD_DIR...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=${1:-build/release}
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
ns=lumra_engine$$_c
args="$ns lumra_engine$$_r le$$c le$$r"
sh "$tests/probes/live/netns.sh" setup $args
ip netns exec "$ns" sysctl -qw net.ipv4.ping_group_range="0 2147483647"
pids=""
trap 'for p in $pids; do kill $p 2>/dev/null; done; sh "$tests/probes/live/netns.sh" cleanup $args' EXIT
ip netns exec "$ns" python3 "$tests/probes/live/dns_responder.py" 127.0.0.1 53 > /dev/null &
pids="$pids $!"
fifo=$(mktemp -u)
mkfifo "$fifo"
sleep 1000000 > "$fifo" &
pids="$pids $!"
ip netns exec "$ns" python3 "$tests/platform/http/http_test_server.py" < "$fifo" > "$fifo.out" &
pids="$pids $!"
sleep 1
port=$(sed -n 's/^port //p' "$fifo.out" | head -n 1)
rm -f "$fifo"
for before in "$@"; do
    echo "== before: $before"
    ip netns exec "$ns" "$before/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:$port" "$seconds"
done
[ $# -eq 0 ] || echo "== after: $build"
ip netns exec "$ns" "$build/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:$port" "$seconds"
