#!/bin/sh
# The application soak: the optimised build on Xvfb with openbox, for each
# configuration (tray host x open window) at the same time, each in a client
# namespace of its own where every poll succeeds: the router 10.213.0.1
# answers pings and, on port 80, the captive-portal check; the DNS server on
# the client's loopback answers every name with the router's address. Every
# minute (10 s in a short run) RSS, anonymous memory, heap in use,
# descriptors, threads and children; at the end each configuration's drift
# after the warm-up (5 minutes; 1 in a short run) against 1 MiB per hour.
# Root only; nothing leaves the machine.
#   bench/app/soak.sh [BUILD_DIR] [MINUTES] [CONFIGURATION...]
# CONFIGURATION: trayer-popover trayer-radar sni-popover sni-radar (default
# all four). A short run: bench/app/soak.sh build/release 3
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../../tests"
build=$(cd "${1:-build/release}" && pwd)
minutes=${2:-30}
shift $(($# < 2 ? $# : 2))
configurations=${*:-trayer-popover trayer-radar sni-popover sni-radar}
library="$build/bin/liblumra_heap_report.so"
[ -e "$library" ] || { echo "no $library: build the release preset first" >&2; exit 1; }
out=$(mktemp -d /tmp/lumra-soak-XXXXXX)
echo "== soak of $build/bin/lumra, $minutes min per configuration; logs in $out"

run_one() {
    host=${1%-*} window=${1#*-}
    . "$tests/app/desktop/client-namespace.sh"
    client_namespace "s$2" 10.213.0.1
    ip netns exec "$router" python3 -c '
import http.server
class Portal(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        body = b"<HTML><HEAD><TITLE>Success</TITLE></HEAD><BODY>Success</BODY></HTML>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
http.server.ThreadingHTTPServer(("10.213.0.1", 80), Portal).serve_forever()' &
    pids="$pids $!"
    LUMRA_APP="$build/bin/lumra" LUMRA_SCREENS_DIR="$build/screens" \
        ip netns exec "$client" dbus-run-session -- /usr/bin/python3 "$here/soak.py" "$host" "$window" \
        "$minutes" "$library" "$out/$1.json"
}

index=0
waits=""
for configuration in $configurations; do
    index=$((index + 1))
    (run_one "$configuration" "$index") > "$out/$configuration.log" 2>&1 &
    waits="$waits $!"
done
failed=0
for pid in $waits; do
    wait "$pid" || failed=1
done
for configuration in $configurations; do
    echo "== $configuration"
    grep -v "Failed to set fd limit" "$out/$configuration.log" | tail -n 40
done
exit $failed
