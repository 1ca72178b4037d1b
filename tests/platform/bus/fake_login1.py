#!/usr/bin/python3
"""A stand-in for logind on a private bus: owns org.freedesktop.login1 and
sends PrepareForSleep when told to on standard input.

  true | false            PrepareForSleep(b) from the name's owner
  impostor-true | ...     the same signal from a connection without the name
Each command is answered with "sent"; the first line printed is "ready"."""
import sys

import dbus
import dbus.bus
import dbus.lowlevel

PATH = "/org/freedesktop/login1"
INTERFACE = "org.freedesktop.login1.Manager"


def send(connection, starting):
    signal = dbus.lowlevel.SignalMessage(PATH, INTERFACE, "PrepareForSleep")
    signal.append(dbus.Boolean(starting), signature="b")
    connection.send_message(signal)
    connection.flush()


address = sys.argv[1]
owner = dbus.bus.BusConnection(address)
if owner.request_name("org.freedesktop.login1", dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != \
        dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
    sys.exit("could not own org.freedesktop.login1")
impostor = dbus.bus.BusConnection(address)
print("ready", flush=True)
for line in sys.stdin:
    command = line.strip()
    connection = owner
    if command.startswith("impostor-"):
        connection = impostor
        command = command[len("impostor-"):]
    if command not in ("true", "false"):
        continue
    send(connection, command == "true")
    print("sent", flush=True)
