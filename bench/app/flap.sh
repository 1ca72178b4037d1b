#!/bin/sh
# The whole application on a link that flaps, the popover open, in a client
# namespace of this script's own (tests/app/desktop/client-namespace.sh)
# whose DNS server answers every name with the router, 10.213.0.1, where the
# two captive-portal check pages answer (portal_pages.py): nothing leaves the
# machine. Three phases of SECONDS each: steady, then the client's link set
# down and up (its default routes put back each time), a change every 200 ms,
# then every 50 ms. Prints,
# per phase and tree: tool starts a second, CPU of the process and its
# children as a share of one core, and requests a minute to each check page.
# Given more build trees (older commits'), theirs run first, in the same
# namespace, and the figures stand side by side. Root only.
#   bench/app/flap.sh [BUILD_DIR] [SECONDS] [BEFORE_BUILD_DIR...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=$(cd "${1:-build/release}" && pwd)
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
. "$tests/app/desktop/client-namespace.sh"
client_namespace fl 10.213.0.1
results=$(mktemp)
portal_log=$(mktemp)
trap 'for p in $pids; do kill $p 2>/dev/null; done; rm -f "$results" "$portal_log"; sh "$tests/probes/live/netns.sh" cleanup $ns_args' EXIT
ip netns exec "$router" python3 "$here/portal_pages.py" 10.213.0.1 "$portal_log" > /dev/null &
pids="$pids $!"
sleep 0.5
trees=""
for before in "$@"; do
    trees="$trees $(cd "$before" && pwd)"
done
trees="$trees $build"
for tree in $trees; do
    echo "== $tree ($seconds s a phase)"
    LUMRA_APP="$tree/bin/lumra" LUMRA_SCREENS_DIR="$tree/screens" \
        ip netns exec "$client" dbus-run-session -- /usr/bin/python3 "$here/flap_bench.py" "$seconds" \
        "$client_if" "$portal_log" "$build/bin/liblumra_spawn_count.so" |
        while IFS="$(printf '\t')" read -r kind phase starts cpu http https changes; do
            [ "$kind" = result ] || continue
            printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$tree" "$phase" "$starts" "$cpu" "$http" "$https" "$changes" >> "$results"
            printf '%-13s %6s tool starts/s, %5s %% of a core, %4s + %4s captive-portal requests/min (http + https), %s link changes (down or up)\n' \
                "$phase:" "$starts" "$cpu" "$http" "$https" "$changes"
        done
done
echo "== side by side (each tree in the order given, the last is $build)"
awk -F '\t' '
    { if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 }
      if (!($2 in phaseSeen)) { phaseSeen[$2] = 1; phases[++m] = $2 }
      v[$1, $2] = $3 "\t" $4 "\t" $5 "\t" $6 }
    END {
        printf "%-13s", "phase"
        for (t = 1; t <= n; t++) printf " | %-38s", "tree " t ": starts/s, % core, http+https/min"
        printf "\n"
        for (p = 1; p <= m; p++) {
            printf "%-13s", phases[p]
            for (t = 1; t <= n; t++) {
                split(v[order[t], phases[p]], f, "\t")
                printf " | %8s %8s %9s %9s  ", f[1], f[2], f[3], f[4]
            }
            printf "\n"
        }
        for (t = 1; t <= n; t++) printf "tree %d: %s\n", t, order[t]
    }' "$results"
