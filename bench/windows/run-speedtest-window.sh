#!/bin/sh
# The Speed Test window over a shaped link: client, router and server
# network namespaces joined by veth pairs, tbf at 100 Mbit/s on both router
# links, the bench server in the server namespace and the window (offscreen)
# with the real monitor and runner in the client namespace. Prints what the
# window shows and the CPU figures; removes everything it made, also on
# failure. Root only; nothing leaves the machine.
#   bench/windows/run-speedtest-window.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build/release}" && pwd)
bin=$build/bin
for program in speedtest_window_bench speedtest_bench_server lumra-systool; do
    [ -x "$bin/$program" ] || { echo "missing $bin/$program (build the bench targets first)" >&2; exit 2; }
done
[ "$(id -u)" = 0 ] || { echo "run-speedtest-window.sh needs root" >&2; exit 2; }

suffix=$$
client=lwc_$suffix router=lwr_$suffix server=lws_$suffix
client_if=lwc$suffix router_client_if=lwrc$suffix router_server_if=lwrs$suffix server_if=lws$suffix
net=10.218
. "$here/../speedtest/shaped-link.sh"
build_link
shape 100 50ms
start_bench_server "$bin"

echo "kernel $(uname -r), $(nproc) cores; client $client_ip -> router (tbf 100 Mbit/s, queue 50ms) -> server $server_ip"
step ip netns exec $client env QT_QPA_PLATFORM=offscreen \
    "$bin/speedtest_window_bench" http://$server_ip:8080 $server_ip "$build/speedtest-window-completed.png" 5
echo "screenshot: $build/speedtest-window-completed.png"
