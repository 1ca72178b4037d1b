#!/bin/sh
# Creates or removes the namespaces of the systool namespace tests: a client
# and a "router" joined by a veth pair, the client with a default route (IPv4
# and IPv6) through the router. Every command names its namespace, so nothing
# here touches the namespace it is started from.
#   netns.sh setup|cleanup CLIENT_NS ROUTER_NS CLIENT_IF ROUTER_IF
set -eu
action=$1 client=$2 router=$3 client_if=$4 router_if=$5

remove() {
    rm -rf "/etc/netns/$client"
    ip netns delete "$client" 2>/dev/null || true
    ip netns delete "$router" 2>/dev/null || true
}

case "$action" in
cleanup)
    remove
    ;;
setup)
    remove
    ip netns add "$client"
    ip netns add "$router"
    mkdir -p "/etc/netns/$client"
    echo "nameserver 127.0.0.1" > "/etc/netns/$client/resolv.conf"
    for ns in "$client" "$router"; do
        # Addresses usable at once: no duplicate-address detection.
        ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0
        ip -n "$ns" link set lo up
    done
    ip link add "$client_if" netns "$client" type veth peer name "$router_if" netns "$router"
    ip -n "$client" addr add 10.213.0.2/24 dev "$client_if"
    ip -n "$router" addr add 10.213.0.1/24 dev "$router_if"
    ip -n "$client" -6 addr add fd42:213::2/64 dev "$client_if" nodad
    ip -n "$router" -6 addr add fd42:213::1/64 dev "$router_if" nodad
    ip -n "$router" -6 addr add fe80::1/64 dev "$router_if" nodad
    ip -n "$client" link set "$client_if" up
    ip -n "$router" link set "$router_if" up
    ip -n "$client" route add default via 10.213.0.1 dev "$client_if"
    ip -n "$client" -6 route add default via fe80::1 dev "$client_if"
    # A new link drops packets until the kernel has noticed its carrier;
    # wait for the router to answer so the tests start on a working link.
    ip netns exec "$client" ping -4 -c 1 -W 5 10.213.0.1 >/dev/null
    ip netns exec "$client" ping -6 -c 1 -W 5 "fe80::1%$client_if" >/dev/null
    ;;
*)
    echo "usage: netns.sh setup|cleanup CLIENT_NS ROUTER_NS CLIENT_IF ROUTER_IF" >&2
    exit 64
    ;;
esac
