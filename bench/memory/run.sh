#!/bin/sh
# The application's memory over 20 speed tests and every window opened once
# (app_memory_bench), over the shaped link of bench/speedtest at 100 Mbit/s:
# client, router and server namespaces, the bench server in the server
# namespace. Given more build trees (older commits'), theirs run first, in
# order, over the same link, for a before/after comparison in one run. Root
# only; nothing leaves the machine.
#   bench/memory/run.sh [BUILD_DIR] [ROUNDS] [BEFORE_BUILD_DIR...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build/release}" && pwd)
rounds=${2:-20}
shift $(($# < 2 ? $# : 2))
[ "$(id -u)" = 0 ] || { echo "run.sh needs root" >&2; exit 2; }
for tree in "$@" "$build"; do
    [ -x "$tree/bin/app_memory_bench" ] || { echo "missing $tree/bin/app_memory_bench" >&2; exit 2; }
done

suffix=$$
client=lmc_$suffix router=lmr_$suffix server=lms_$suffix
client_if=lmc$suffix router_client_if=lmrc$suffix router_server_if=lmrs$suffix server_if=lms$suffix
net=10.219
. "$here/../speedtest/shaped-link.sh"
build_link
shape 100 50ms
start_bench_server "$build/bin"

home=$work/home
for tree in "$@"; do
    echo "== before: $tree"
    rm -rf "$home" && mkdir -p "$home"
    step ip netns exec $client env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        "$tree/bin/app_memory_bench" http://$server_ip:8080 "$rounds"
done
[ $# -eq 0 ] || echo "== after: $build"
rm -rf "$home" && mkdir -p "$home"
step ip netns exec $client env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    "$build/bin/app_memory_bench" http://$server_ip:8080 "$rounds"
