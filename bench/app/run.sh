#!/bin/sh
# The application's and the popover's figures in one run, in a client
# namespace of this script's own (router 10.213.0.1 as the internet target, a
# DNS server on its loopback; tests/app/desktop/client-namespace.sh):
#   1. one dashboard refresh with full histories (median over 1,000);
#   2. the engine alone (its 0.5 s mode is the pace of an open popover);
#   3. the whole application on Xvfb with openbox and trayer, a minute with
#      the popover closed (battery-friendly, 4 s polling) and a minute open
#      (0.5 s polling): CPU seconds per minute of the process and its
#      children (and of the process alone and its main thread), peak RSS
#      beside a bare tray application's, and the time from a tray click to
#      the popover's first painted frame (median of 20).
# Then the application over the engine alone, mode by mode. Given more build
# trees (older commits'), theirs run first, in order, in the same namespace,
# for a before/after comparison in one run. ROUNDS=N repeats steps 2 and 3
# N times, every tree in each round, and ends with each tree's median ratios:
# the same build reads up to a third apart from one minute to the next on a
# shared machine. Measures the optimised build. Root only; nothing leaves the
# machine.
#   [ROUNDS=N] bench/app/run.sh [BUILD_DIR] [SECONDS_PER_MODE] [BEFORE_BUILD_DIR...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=$(cd "${1:-build/release}" && pwd)
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
. "$tests/app/desktop/client-namespace.sh"
client_namespace ab
out=$(mktemp)
ratios=$(mktemp)
rounds=${ROUNDS:-1}
# measure TREE: the engine alone, the application, and the ratios (also
# kept in $ratios, a line per tree and round).
measure() {
    echo "== engine alone ($seconds s per mode)"
    ip netns exec "$client" "$1/bin/engine_bench" 10.213.0.1 "http://127.0.0.1:9" "$seconds" > "$out"
    cat "$out"
    echo "== application ($seconds s per mode)"
    LUMRA_APP="$1/bin/lumra" LUMRA_SCREENS_DIR="$1/screens" \
        ip netns exec "$client" dbus-run-session -- /usr/bin/python3 "$here/app_bench.py" "$seconds" \
        | tee -a "$out"
    awk -v tree="$1" -v ratios="$ratios" '
         /^0.5 s mode:/ { engineOpen = $4; engineOwn = $11 + 0 } /^4.0 s mode:/ { engineClosed = $4 }
         /^popover closed/ { closed = $6 } /^popover open/ { open = $6; own = $17 + 0 }
         END { printf "popover open over the engine alone:   %.2f x (%.2f / %.2f CPU s per minute)\n", open / engineOpen, open, engineOpen
               printf "popover closed over the engine alone: %.2f x (%.2f / %.2f CPU s per minute)\n", closed / engineClosed, closed, engineClosed
               printf "popover open, the process alone over the engine process alone: %.2f x (%.3f / %.3f)\n", own / engineOwn, own, engineOwn
               printf "%s %.4f %.4f %.4f\n", tree, open / engineOpen, closed / engineClosed, own / engineOwn >> ratios }' "$out"
}
trees=""
for before in "$@"; do
    trees="$trees $(cd "$before" && pwd)"
done
trees="$trees $build"
for tree in $trees; do
    echo "== dashboard refresh ($tree)"
    ip netns exec "$client" "$tree/bin/dashboard_refresh_bench" 2>/dev/null
done
round=1
while [ "$round" -le "$rounds" ]; do
    for tree in $trees; do
        echo "==== round $round of $rounds: $tree"
        measure "$tree"
    done
    round=$((round + 1))
done
if [ "$rounds" -gt 1 ]; then
    echo "==== medians over $rounds rounds"
    for tree in $trees; do
        for column in 2 3 4; do
            grep "^$tree " "$ratios" | awk -v c=$column '{ print $c }' | sort -n |
                awk '{ v[NR] = $1 } END { printf "%s ", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
        done | awk -v tree="$tree" '{ printf "%s: popover open over the engine alone %.2f x, closed %.2f x; the process alone, popover open, %.2f x the engine process alone\n", tree, $1, $2, $3 }'
    done
fi
rm -f "$out" "$ratios"
