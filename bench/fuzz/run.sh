#!/bin/sh
# Builds the fuzz preset (clang 14, libFuzzer, ASan, UBSan) and runs every
# fuzz target for SECONDS each, one after the other, from a scratch copy of
# its committed seed corpus (the committed corpus is never written).
# Prints, per target, the inputs run and what was found; a crash leaves its
# input under build/fuzz/findings/<target>/.
#   bench/fuzz/run.sh [SECONDS] [TARGET...]
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-"tool_output url update_answer nl80211 rtnetlink settings_file dns_message"}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

status=0
printf '%-14s %12s %10s %8s  %s\n' target inputs "per s" corpus found
for target in $targets; do
    work=build/fuzz/work/$target
    findings=build/fuzz/findings/$target
    rm -rf "$work"
    mkdir -p "$work" "$findings"
    log=build/fuzz/work/$target.log
    if build/fuzz/bin/fuzz_$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 \
        "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        found=nothing
    else
        found="a failure, see $log and $findings/"
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    corpus=$(ls "$work" | wc -l)
    printf '%-14s %12s %10s %8s  %s\n' "$target" "${runs:-?}" "${rate:-?}" "$corpus" "$found"
done
exit $status
