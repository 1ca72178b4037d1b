#!/bin/sh
# Runs the engine bench inside a client namespace of its own: the router at
# 10.213.0.1 is the internet target, a DNS server and the captive-portal pages
# run on the namespace's loopback. The namespace lets every group open ICMP
# datagram sockets, as systemd's default does on Debian desktops. Given more
# build trees (older commits'), each of their benches runs first, in order, in
# the same namespace, for a before/after comparison in one run. Before each
# tree's run the spawn floor is measured (CPU of spawning /bin/true, with this
# build's bench), and each mode's cost is printed over it: CPU per minute /
# (children per minute x floor). The engine's children come a sixth of a
# second or more apart, each onto a CPU that sat idle, which costs more than
# a spawn right after another: a second floor, /bin/true spawned at the 0.5 s
# mode's pace, is printed beside it, with each mode over that one too. Root
# only; nothing leaves the machine.
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
out=$(mktemp)
trap 'for p in $pids; do kill $p 2>/dev/null; done; rm -f "$out"; sh "$tests/probes/live/netns.sh" cleanup $args' EXIT
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

# bench TREE: the floor, the tree's engine bench, and each mode over the floor.
bench() {
    ip netns exec "$ns" "$build/bin/engine_bench" --spawn-floor > "$out"
    ip netns exec "$ns" "$1/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:$port" "$seconds" >> "$out"
    pace=$(awk '/^0.5 s mode: / { for (i = 1; i <= NF; i++) if ($i == "child") print int($(i - 1)) }' "$out")
    ip netns exec "$ns" "$build/bin/engine_bench" --spawn-floor 180 "${pace:-360}" >> "$out"
    cat "$out"
    awk 'function over(name, floor) {
             printf "%s: %.2f x the %s (%.2f CPU s / (%d children x %.3f ms))\n",
                    mode, cpu / (children * floor / 1000), name, cpu, children, floor }
         /^spawn floor:/ { floor = $3 }
         /^paced spawn floor:/ { paced = $4 }
         / mode: / { n++; modes[n] = $0 }
         END { for (k = 1; k <= n; k++) {
                   $0 = modes[k]; mode = $1 " " $2 " " $3; sub(":", "", mode); cpu = $4
                   for (i = 1; i <= NF; i++) if ($i == "child") children = $(i - 1)
                   over("spawn floor", floor)
                   if (paced) over("paced spawn floor", paced) } }' "$out"
}
for before in "$@"; do
    echo "== before: $before"
    bench "$before"
done
[ $# -eq 0 ] || echo "== after: $build"
bench "$build"
