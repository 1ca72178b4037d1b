#!/bin/sh
# The hostile-text desktop scenario: the application under Xvfb with a tray,
# in a client namespace of this script's own (client-namespace.sh) whose DNS
# server answers every name with the router, where the captive-portal check
# meets a redirect to a long address without spaces. Root only.
#   hostile.sh DESKTOP_TEST_PY
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tests="$here/../.."
. "$here/client-namespace.sh"
client_namespace hs 10.213.0.1
ip netns exec "$router" python3 "$here/portal_server.py" 10.213.0.1 80 &
pids="$pids $!"
sleep 0.5
ip netns exec "$client" dbus-run-session -- /usr/bin/python3 "$1" hostile
