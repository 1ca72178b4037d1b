#!/bin/sh
# The whole application for a minute with the popover closed (battery-
# friendly, 4 s polling) and a minute with it open (0.5 s polling), on Xvfb
# with openbox and trayer, inside a client namespace whose router
# (10.213.0.1, the internet target) and DNS server are its own: CPU seconds
# per minute of the process and its children, peak RSS, and the time from a
# tray click to the popover's first painted frame (median of 20). Root only;
# nothing leaves the machine.
#   bench/app/run.sh [BUILD_DIR] [SECONDS_PER_MODE]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=$(cd "${1:-build/default}" && pwd)
seconds=${2:-60}
args="lumra_appb_c$$ lumra_appb_r$$ lac$$ lar$$"
sh "$tests/probes/live/netns.sh" setup $args
pids=""
trap 'for p in $pids; do kill $p 2>/dev/null; done; sh "$tests/probes/live/netns.sh" cleanup $args' EXIT
trap 'exit 1' INT TERM
ip netns exec "lumra_appb_c$$" python3 "$tests/probes/live/dns_responder.py" 127.0.0.1 53 > /dev/null &
pids="$pids $!"
sleep 0.5
LUMRA_APP="$build/bin/lumra" LUMRA_SCREENS_DIR="$build/screens" \
    ip netns exec "lumra_appb_c$$" dbus-run-session -- /usr/bin/python3 "$here/app_bench.py" "$seconds"
