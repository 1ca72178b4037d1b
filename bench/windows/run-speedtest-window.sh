#!/bin/sh
# The Speed Test window over a shaped link: client, router and server
# network namespaces joined by veth pairs, tbf at 100 Mbit/s on both router
# links, the bench server in the server namespace and the window (offscreen)
# with the real monitor and runner in the client namespace. Prints what the
# window shows and the CPU figures; removes everything it made, also on
# failure. Root only; nothing leaves the machine.
#   bench/windows/run-speedtest-window.sh [BUILD_DIR]
set -eu
build=$(cd "${1:-build/release}" && pwd)
bin=$build/bin
for program in speedtest_window_bench speedtest_bench_server lumra-systool; do
    [ -x "$bin/$program" ] || { echo "missing $bin/$program (build the bench targets first)" >&2; exit 2; }
done
[ "$(id -u)" = 0 ] || { echo "run-speedtest-window.sh needs root" >&2; exit 2; }

suffix=$$
client=lwc_$suffix router=lwr_$suffix server=lws_$suffix
client_if=lwc$suffix router_client_if=lwrc$suffix router_server_if=lwrs$suffix server_if=lws$suffix
client_ip=10.218.1.2 server_ip=10.218.2.2
work=$(mktemp -d)
server_pid= step_pid=

cleanup() {
    status=$?
    trap - EXIT INT TERM
    for pid in $step_pid $server_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
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
ip netns add $client
ip netns add $router
ip netns add $server
ip link add $client_if netns $client type veth peer name $router_client_if netns $router
ip link add $server_if netns $server type veth peer name $router_server_if netns $router
ip -n $client addr add $client_ip/24 dev $client_if
ip -n $router addr add 10.218.1.1/24 dev $router_client_if
ip -n $router addr add 10.218.2.1/24 dev $router_server_if
ip -n $server addr add $server_ip/24 dev $server_if
for ns in $client $router $server; do ip -n $ns link set lo up; done
ip -n $client link set $client_if up
ip -n $router link set $router_client_if up
ip -n $router link set $router_server_if up
ip -n $server link set $server_if up
ip -n $client route add default via 10.218.1.1
ip -n $server route add default via 10.218.2.1
ip netns exec $router sysctl -qw net.ipv4.ip_forward=1
for dev in $router_client_if $router_server_if; do
    ip netns exec $router tc qdisc replace dev $dev root tbf rate 100mbit burst 64kb latency 50ms
done

ip netns exec $server "$bin/speedtest_bench_server" $server_ip 8080 cubic > "$work/server.out" &
server_pid=$!
i=0
until grep -q "^port " "$work/server.out" 2>/dev/null; do
    i=$((i + 1))
    [ $i -lt 200 ] || { echo "the bench server did not start" >&2; exit 1; }
    sleep 0.05
done

echo "kernel $(uname -r), $(nproc) cores; client $client_ip -> router (tbf 100 Mbit/s, queue 50ms) -> server $server_ip"
ip netns exec $client env QT_QPA_PLATFORM=offscreen \
    "$bin/speedtest_window_bench" http://$server_ip:8080 $server_ip "$build/speedtest-window-completed.png" 5 &
step_pid=$!
wait $step_pid
step_pid=
echo "screenshot: $build/speedtest-window-completed.png"
