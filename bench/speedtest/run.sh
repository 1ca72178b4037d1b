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
net=10.217
service=http://$net.2.2:8080
. "$here/shaped-link.sh"
build_link
start_bench_server "$bin"

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
    ip -n $router route add $net.2.0/24 dev $router_server_if table 217
    ip -n $router rule add iif $tun lookup 217
    ip -n $router route add $server_ip/32 dev $tun
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
