# Sourced by the scripts that run the whole application against a network of
# their own: a client namespace joined to a router namespace (10.213.0.1) by
# a veth pair, named with the caller's process id; ICMP datagram sockets for
# every group (systemd's default on Debian desktops); a DNS server on the
# client's loopback, answering every name with DNS_ANSWER (default
# 10.213.0.9, where nothing answers). Everything is removed when the caller
# exits. Root only; nothing leaves the machine.
#   tests=<tests dir>; . "$tests/app/desktop/client-namespace.sh"; client_namespace SHORT_PREFIX [DNS_ANSWER]
# Sets $client (the namespace), $client_if and $pids (processes to end).
client_namespace() {
    client="lumra_$1c$$" router="lumra_$1r$$" client_if="$1c$$" router_if="$1r$$"
    ns_args="$client $router $client_if $router_if"
    pids=""
    trap 'for p in $pids; do kill $p 2>/dev/null; done; sh "$tests/probes/live/netns.sh" cleanup $ns_args' EXIT
    trap 'exit 1' INT TERM
    sh "$tests/probes/live/netns.sh" setup $ns_args
    ip netns exec "$client" sysctl -qw net.ipv4.ping_group_range="0 2147483647"
    ip netns exec "$client" python3 "$tests/probes/live/dns_responder.py" 127.0.0.1 53 --answer="${2:-10.213.0.9}" > /dev/null &
    pids="$pids $!"
    sleep 0.5
}
