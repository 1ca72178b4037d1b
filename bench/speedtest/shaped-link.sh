# Sourced by the namespace benches. The sourcing script sets the namespace
# and interface names ($client $router $server, $client_if
# $router_client_if $router_server_if $server_if) and $net, the first two
# octets of the link's addresses. This sets $client_ip, $server_ip and
# $work, the clean-up that ends $step_pid, $delay_pid, $server_pid and
# whatever else runs in the namespaces, then removes them (also on
# failure), and helpers to build and shape the link, start the bench server
# and wait for a started child.
client_ip=$net.1.2 server_ip=$net.2.2
work=$(mktemp -d)
server_pid= delay_pid= step_pid=

cleanup() {
    status=$?
    trap - EXIT INT TERM
    for pid in $step_pid $delay_pid $server_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    # Whatever still runs in our namespaces was started by the bench (a
    # bench's own ping child outlives a killed bench).
    for ns in $client $router $server; do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            kill "$pid" 2>/dev/null || true
        done
    done
    for ns in $client $router $server; do
        ip netns del "$ns" 2>/dev/null || true
    done
    rm -rf "$work"
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits until FILE holds TEXT (a started child's announcement).
await_line() {
    i=0
    until grep -q "$2" "$1" 2>/dev/null; do
        i=$((i + 1))
        [ $i -lt 200 ] || { echo "no \"$2\" in $1" >&2; exit 1; }
        sleep 0.05
    done
}

# Runs a step in the background and waits for it, so that a signal ends the
# script (and the step) at once instead of after the step.
step() {
    "$@" &
    step_pid=$!
    wait $step_pid
    step_pid=
}

# client -- router -- server, routed, no shaping yet.
build_link() {
    for ns in $client $router $server; do
        if ip netns list | grep -qw "$ns"; then echo "namespace $ns exists already" >&2; exit 2; fi
    done
    ip netns add $client
    ip netns add $router
    ip netns add $server
    ip link add $client_if netns $client type veth peer name $router_client_if netns $router
    ip link add $server_if netns $server type veth peer name $router_server_if netns $router
    ip -n $client addr add $client_ip/24 dev $client_if
    ip -n $router addr add $net.1.1/24 dev $router_client_if
    ip -n $router addr add $net.2.1/24 dev $router_server_if
    ip -n $server addr add $server_ip/24 dev $server_if
    for ns in $client $router $server; do ip -n $ns link set lo up; done
    ip -n $client link set $client_if up
    ip -n $router link set $router_client_if up
    ip -n $router link set $router_server_if up
    ip -n $server link set $server_if up
    ip -n $client route add default via $net.1.1
    ip -n $server route add default via $net.2.1
    ip netns exec $router sysctl -qw net.ipv4.ip_forward=1
}

# shape RATE_MBIT QUEUE_LATENCY: tbf on the router's egress towards the
# client (download) and towards the server (upload).
shape() {
    case $1 in
    20) burst=32kb ;;
    100) burst=64kb ;;
    *) burst=256kb ;;
    esac
    for dev in $router_client_if $router_server_if; do
        ip netns exec $router tc qdisc replace dev $dev root tbf rate "$1mbit" burst $burst latency "$2"
    done
}

# start_bench_server BIN_DIR: the bench server on $server_ip:8080, sending
# with cubic (the client, for the upload, keeps the kernel's default).
start_bench_server() {
    ip netns exec $server "$1/speedtest_bench_server" $server_ip 8080 cubic > "$work/server.out" &
    server_pid=$!
    await_line "$work/server.out" "^port "
}
