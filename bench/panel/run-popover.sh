#!/bin/sh
# The popover's figures in one run, inside a client namespace of its own
# (router 10.213.0.1 as internet target, a DNS server on its loopback):
# the dashboard refresh bench, the engine bench (its 0.5 s mode is the pace
# of an open popover), then the whole application on Xvfb with the popover
# open. Root only; nothing leaves the machine.
#   bench/panel/run-popover.sh [BUILD_DIR] [SECONDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=$(cd "${1:-build/default}" && pwd)
seconds=${2:-60}
client="lumra_pop_c$$" router="lumra_pop_r$$" client_if="lpc$$" router_if="lpr$$"
args="$client $router $client_if $router_if"
pids=""
trap 'for p in $pids; do kill $p 2>/dev/null; done; sh "$tests/probes/live/netns.sh" cleanup $args' EXIT
sh "$tests/probes/live/netns.sh" setup $args
ip netns exec "$client" sysctl -qw net.ipv4.ping_group_range="0 2147483647"
ip netns exec "$client" python3 "$tests/probes/live/dns_responder.py" 127.0.0.1 53 > /dev/null &
pids="$pids $!"
sleep 0.5
echo "== dashboard refresh"
ip netns exec "$client" "$build/bin/dashboard_refresh_bench" 2>/dev/null
echo "== engine alone ($seconds s per mode)"
ip netns exec "$client" "$build/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:9" "$seconds"
echo "== application, popover open ($seconds s)"
LUMRA_APP="$build/bin/lumra" LUMRA_SCREENS_DIR="$build/screens" LUMRA_LIVE_INTERNET_TARGET=10.213.0.1 \
    ip netns exec "$client" dbus-run-session -- /usr/bin/python3 "$here/popover_cpu.py" "$seconds" 2>/dev/null
