#!/bin/sh
# The live desktop scenario: a client namespace (named with this process's
# id) joined to a router namespace by a veth pair, a DNS server on the
# client's loopback, ICMP for every group; the application runs there under
# Xvfb with a tray. Nothing leaves the machine. Root only.
#   live.sh DESKTOP_TEST_PY
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../.."
client="lumra_live_c$$" router="lumra_live_r$$" client_if="llc$$" router_if="llr$$"
args="$client $router $client_if $router_if"
pids=""
trap 'for p in $pids; do kill $p 2>/dev/null; done; sh "$tests/probes/live/netns.sh" cleanup $args' EXIT
sh "$tests/probes/live/netns.sh" setup $args
ip netns exec "$client" sysctl -qw net.ipv4.ping_group_range="0 2147483647"
ip netns exec "$client" python3 "$tests/probes/live/dns_responder.py" 127.0.0.1 53 > /dev/null &
pids="$pids $!"
sleep 0.5
LUMRA_LIVE_INTERNET_TARGET=10.213.0.1 LUMRA_LIVE_IF="$client_if" \
    ip netns exec "$client" dbus-run-session -- /usr/bin/python3 "$1" live
