#!/bin/sh
# The namespaces of the live probe tests: the client and router pair of the
# systool tests, plus a resolv.conf for the client naming a DNS server the
# test starts on the client's own loopback.
#   netns.sh setup|cleanup CLIENT_NS ROUTER_NS CLIENT_IF ROUTER_IF
set -eu
here=$(dirname "$0")
sh "$here/../../systool/netns.sh" "$@"
case "$1" in
setup)
    mkdir -p "/etc/netns/$2"
    echo "nameserver 127.0.0.1" > "/etc/netns/$2/resolv.conf"
    ;;
cleanup)
    rm -rf "/etc/netns/$2"
    ;;
esac
