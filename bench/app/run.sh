#!/bin/sh
# The application's and the popover's figures in one run, in a client
# namespace of this script's own (router 10.213.0.1 as the internet target, a
# DNS server on its loopback; tests/app/desktop/client-namespace.sh):
#   1. one dashboard refresh with full histories (median over 1,000);
#   2. the engine alone (its 0.5 s mode is the pace of an open popover);
#   3. the whole application on Xvfb with openbox and trayer, a minute with
#      the popover closed (battery-friendly, 4 s polling) and a minute open
#      (0.5 s polling): CPU seconds per minute of the process and its
#      children, peak RSS, and the time from a tray click to the popover's
#      first painted frame (median of 20).
# Then the application over the engine alone, mode by mode. Given more build
# trees (older commits'), theirs run first, in order, in the same namespace,
# for a before/after comparison in one run. Measures the optimised build.
# Root only; nothing leaves the machine.
#   bench/app/run.sh [BUILD_DIR] [SECONDS_PER_MODE] [BEFORE_BUILD_DIR...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=$(cd "${1:-build/release}" && pwd)
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
. "$tests/app/desktop/client-namespace.sh"
client_namespace ab
out=$(mktemp)
bench() {
    echo "== dashboard refresh ($1)"
    ip netns exec "$client" "$1/bin/dashboard_refresh_bench" 2>/dev/null
    echo "== engine alone ($seconds s per mode)"
    ip netns exec "$client" "$1/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:9" "$seconds" > "$out"
    cat "$out"
    echo "== application ($seconds s per mode)"
    LUMRA_APP="$1/bin/lumra" LUMRA_SCREENS_DIR="$1/screens" \
        ip netns exec "$client" dbus-run-session -- /usr/bin/python3 "$here/app_bench.py" "$seconds" \
        | tee -a "$out"
    awk '/^0.5 s mode:/ { engineOpen = $4 } /^4.0 s mode:/ { engineClosed = $4 }
         /^popover closed/ { closed = $6 } /^popover open/ { open = $6 }
         END { printf "popover open over the engine alone:   %.2f x (%.2f / %.2f CPU s per minute)\n", open / engineOpen, open, engineOpen
               printf "popover closed over the engine alone: %.2f x (%.2f / %.2f CPU s per minute)\n", closed / engineClosed, closed, engineClosed }' "$out"
}
for before in "$@"; do
    echo "==== before: $before"
    bench "$(cd "$before" && pwd)"
done
[ $# -eq 0 ] || echo "==== after: $build"
bench "$build"
rm -f "$out"
