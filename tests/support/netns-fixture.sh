#!/bin/sh
# Creates, enters and removes the network namespace of one namespace test.
#   netns-fixture.sh setup STATE PREFIX  new namespace PREFIX-PID, name written to STATE
#   netns-fixture.sh run STATE CMD       runs CMD inside it
#   netns-fixture.sh cleanup STATE       removes it (and everything in it)
set -eu
state=$2
case "$1" in
setup)
    if [ -f "$state" ]; then
        ip netns delete "$(cat "$state")" 2>/dev/null || true
    fi
    name="$3-$$"
    ip netns add "$name"
    echo "$name" >"$state"
    # Addresses usable at once: no duplicate-address detection.
    ip netns exec "$name" sysctl -qw net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0
    ip -n "$name" link set lo up
    ;;
run)
    name=$(cat "$state")
    shift 2
    LUMRA_TEST_NETNS="$name" exec ip netns exec "$name" "$@"
    ;;
cleanup)
    [ -f "$state" ] || exit 0
    name=$(cat "$state")
    ip netns delete "$name" 2>/dev/null || true
    rm -rf "/etc/netns/$name"
    rm -f "$state"
    ;;
*)
    echo "usage: $0 setup STATE PREFIX | run STATE CMD... | cleanup STATE" >&2
    exit 2
    ;;
esac
