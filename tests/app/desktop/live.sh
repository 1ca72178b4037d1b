#!/bin/sh
# The live desktop scenario: the application under Xvfb with a tray, in a
# client namespace of this script's own (client-namespace.sh). Root only.
#   live.sh DESKTOP_TEST_PY
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../.."
. "$here/client-namespace.sh"
client_namespace ll
LUMRA_LIVE_INTERNET_TARGET=10.213.0.1 LUMRA_LIVE_IF="$client_if" \
    ip netns exec "$client" dbus-run-session -- /usr/bin/python3 "$1" live
