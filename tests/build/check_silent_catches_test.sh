#!/bin/sh
# Runs the catch check over small trees, each with one catch block, and checks
# that each passes or fails as the rules say.
# check_silent_catches_test.sh <python3> <check_silent_catches.py>
set -u
python=$1
script=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect <pass|fail> <file under src/> <catch block>
expect() {
    rm -rf "$work/src" && mkdir -p "$work/src/$(dirname "$2")"
    printf 'void f() {\n    try {\n        g();\n    } %s\n}\n' "$3" >"$work/src/$2"
    # A relative path, as a hand-run check gets it.
    if (cd "$work" && "$python" "$script" src) >"$work/out" 2>&1; then
        outcome=pass
    else
        outcome=fail
    fi
    if [ "$outcome" != "$1" ]; then
        echo "FAILED: $2 with '$3': expected $1, got $outcome"
        cat "$work/out"
        failures=$((failures + 1))
    fi
}

expect fail probes/wifi/Provider.cpp 'catch (const WirelessError&) { return std::nullopt; }'
expect fail probes/Probe.cpp 'catch (...) {}'
expect fail probes/Probe.cpp 'catch (const Error& error) { return {}; }'
expect fail probes/Probe.cpp 'catch (...) { /* LUMRA_LOG later */ }'
expect fail probes/Probe.cpp 'catch (...) { note("throw it"); }'
# A brace in a literal does not stretch the block over the next function.
expect fail probes/Probe.cpp 'catch (...) { note('"'"'{'"'"'); } void h() { LUMRA_LOG("a", "b"); }'
expect fail probes/Probe.cpp 'catch (...) { note("{"); } void h() { LUMRA_LOG("a", "b"); }'
expect pass probes/Probe.cpp 'catch (...) { LUMRA_LOG_CAUGHT("probes", "the probe failed"); }'
expect pass probes/Probe.cpp 'catch (const Error&) { LUMRA_LOG("probes", "}"); return {}; }'
expect pass probes/Probe.cpp 'catch (...) { throw; }'
expect pass probes/Probe.cpp 'catch (const Json::type_error&) { throw EncodingError("no"); }'
expect pass probes/Probe.cpp 'catch (...) { failure = std::current_exception(); }'
expect pass probes/Probe.cpp 'catch (const Error& error) { return failedPrefix + error.describe(); }'
expect pass probes/Probe.cpp 'catch (const CancellationError&) {}'
# The allow-list names a file and a type, not a type anywhere.
expect pass platform/http/CurlTransfer.cpp 'catch (const std::bad_alloc&) { return 0; }'
expect fail platform/http/Other.cpp 'catch (const std::bad_alloc&) { return 0; }'

# A tree without sources is a wrong path, not a clean tree.
rm -rf "$work/src" && mkdir -p "$work/src"
if "$python" "$script" "$work/src" >"$work/out" 2>&1; then
    echo "FAILED: an empty tree passed"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "all cases as expected"
exit "$failures"
