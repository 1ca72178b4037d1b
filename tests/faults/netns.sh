#!/bin/sh
# The namespace of the fault tests: the shared fixture plus a resolv.conf
# naming a DNS server the tests start on the namespace's own loopback, with
# short resolver time-outs so a silent server costs seconds, not minutes.
#   netns.sh setup STATE PREFIX | run STATE CMD... | cleanup STATE
set -eu
here=$(dirname "$0")
fixture="$here/../support/netns-fixture.sh"
case "$1" in
setup)
    sh "$fixture" "$@"
    name=$(cat "$2")
    mkdir -p "/etc/netns/$name"
    printf 'nameserver 127.0.0.1\noptions timeout:3 attempts:2\n' >"/etc/netns/$name/resolv.conf"
    ;;
cleanup)
    # The router namespaces the probe tests make are named after ours.
    [ -f "$2" ] && ip netns delete "$(cat "$2")-r" 2>/dev/null || true
    exec sh "$fixture" "$@"
    ;;
*)
    exec sh "$fixture" "$@"
    ;;
esac
