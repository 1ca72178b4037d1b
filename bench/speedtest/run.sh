#!/bin/sh
# The speed test over a shaped link: client, router and server network
# namespaces joined by veth pairs, tbf on both router links, the bench
# server in the server namespace and the real runner and monitor in the
# client namespace. Prints the figures; removes everything it made, also on
# failure. Root only; nothing leaves the machine (the namespaces have no
# link to the host's interfaces, and the host's routes are never touched).
#   bench/speedtest/run.sh [BUILD_DIR]
#   bench/speedtest/run.sh BUILD_DIR export PROGRAM REPORT_FILE
#     instead of the figures, one diagnostics collection (PROGRAM, the
#     export's end-to-end run) in the client namespace at 100 Mbit/s, with
#     the bench server as its speed-test service.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build/release}
bin=$(cd "$build/bin" && pwd)
for program in speedtest_bench speedtest_bench_server speedtest_delay_line lumra-systool; do
    [ -x "$bin/$program" ] || { echo "missing $bin/$program (build the bench targets first)" >&2; exit 2; }
done
[ "$(id -u)" = 0 ] || { echo "run.sh needs root" >&2; exit 2; }

suffix=$$
client=lst_c_$suffix router=lst_r_$suffix server=lst_s_$suffix
client_if=lsc$suffix router_client_if=lsrc$suffix router_server_if=lsrs$suffix server_if=lss$suffix
tun=lsd$suffix
client_ip=10.217.1.2 server_ip=10.217.2.2
service=http://$server_ip:8080
work=$(mktemp -d)
server_pid= delay_pid= step_pid=

cleanup() {
    status=$?
    trap - EXIT INT TERM
    for pid in $step_pid $delay_pid $server_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    # Whatever still runs in our namespaces was started by this script (a
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

for ns in $client $router $server; do
    if ip netns list | grep -qw "$ns"; then echo "namespace $ns exists already" >&2; exit 2; fi
done

# Waits until FILE holds TEXT (a started child's announcement).
await_line() {
    i=0
    until grep -q "$2" "$1" 2>/dev/null; do
        i=$((i + 1))
        [ $i -lt 200 ] || { echo "no \"$2\" in $1" >&2; exit 1; }
        sleep 0.05
    done
}

ip netns add $client
ip netns add $router
ip netns add $server
ip link add $client_if netns $client type veth peer name $router_client_if netns $router
ip link add $server_if netns $server type veth peer name $router_server_if netns $router
ip -n $client addr add $client_ip/24 dev $client_if
ip -n $router addr add 10.217.1.1/24 dev $router_client_if
ip -n $router addr add 10.217.2.1/24 dev $router_server_if
ip -n $server addr add $server_ip/24 dev $server_if
for ns in $client $router $server; do ip -n $ns link set lo up; done
ip -n $client link set $client_if up
ip -n $router link set $router_client_if up
ip -n $router link set $router_server_if up
ip -n $server link set $server_if up
ip -n $client route add default via 10.217.1.1
ip -n $server route add default via 10.217.2.1
ip netns exec $router sysctl -qw net.ipv4.ip_forward=1

# The server sends with cubic; the client (the upload) keeps the kernel's default.
ip netns exec $server "$bin/speedtest_bench_server" $server_ip 8080 cubic > "$work/server.out" &
server_pid=$!
await_line "$work/server.out" "^port "

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

# delay MILLISECONDS: everything the client sends towards the server waits
# that long in the router (a TUN delay line, since this kernel has no
# netem); policy routing hands what leaves the line on to the server.
delay() {
    ip netns exec $router "$bin/speedtest_delay_line" $tun "$1" > "$work/delay.out" &
    delay_pid=$!
    await_line "$work/delay.out" "^ready"
    ip netns exec $router sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
    ip -n $router link set $tun up
    ip netns exec $router sysctl -qw "net.ipv4.conf.$tun.rp_filter=0"
    ip -n $router route add 10.217.2.0/24 dev $router_server_if table 217
    ip -n $router rule add iif $tun lookup 217
    ip -n $router route add $server_ip/32 dev $tun
}

# Runs a step in the background and waits for it, so that a signal ends the
# script (and the step) at once instead of after the step.
step() {
    "$@" &
    step_pid=$!
    wait $step_pid
    step_pid=
}

run() {
    step ip netns exec $client "$bin/speedtest_bench" monitor $service $server_ip "$1" "$2"
}

header() {
    printf '%-26s %4s | %7s %5s | %7s %5s | %6s | %-19s | %-19s | %9s %9s\n' \
        "" "rate" "down" "ratio" "up" "ratio" "base" "down loaded  ping" "up loaded    ping" "grade dn" "grade up"
    printf '%-26s %4s | %7s %5s | %7s %5s | %6s | %7s %3s %7s %3s | %7s %3s %7s %3s |\n' \
        "" "Mbit" "Mbps" "" "Mbps" "" "ms" "ms" "n" "ms" "n" "ms" "n" "ms" "n"
}

if [ "${2:-}" = export ]; then
    shape 100 50ms
    step ip netns exec $client "$3" $service $server_ip 100 "$4"
    exit 0
fi

echo "kernel $(uname -r), $(nproc) cores; client $client_ip -> router -> server $server_ip"
echo "latency: the monitor's one-packet pings through lumra-systool (5 baseline, then every ping + 0.35 s);"
echo "         'ping' is an independent iputils ping every 0.1 s, its replies averaged over the same phase"
echo
echo "== Throughput: tbf rate R on both router links (queue latency 50ms)"
header
for rate in 20 100 500; do
    shape $rate 50ms
    run "rate $rate Mbit/s" $rate
done

echo
echo "== Bufferbloat: 100 Mbit/s, shallow (latency 2ms) and deep (latency 300ms) router queue"
echo "   the download is sent with cubic, the upload with the kernel's default ($(cat /proc/sys/net/ipv4/tcp_congestion_control))"
header
for queue in "shallow 2ms" "deep 300ms"; do
    set -- $queue
    shape 100 "$2"
    run "base RTT ~0, $1 queue" 100
done
delay 20
for queue in "shallow 2ms" "deep 300ms"; do
    set -- $queue
    shape 100 "$2"
    run "base RTT +20ms, $1 queue" 100
done

echo
echo "== Loopback ceiling (client namespace's loopback): the runner vs plain libcurl, 4 x 8,000,000 bytes"
step ip netns exec $client "$bin/speedtest_bench" loopback "$bin/speedtest_bench_server" 5
