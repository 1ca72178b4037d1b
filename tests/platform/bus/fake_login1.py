#!/usr/bin/python3
"""A stand-in for logind on a private bus: owns org.freedesktop.login1 and
sends PrepareForSleep when told to on standard input.

  true | false                    PrepareForSleep(b) from the name's owner
  impostor-true | ...             the same broadcast from a connection without
                                  the name
  impostor-unicast-true | ...     the same sent to each other connection alone
  impostor-claim                  a NameOwnerChanged that gives the name to the
                                  impostor, sent to each other connection alone
Each command is answered with "sent"; the first line printed is "ready"."""
import sys

import dbus
import dbus.bus
import dbus.lowlevel

PATH = "/org/freedesktop/login1"
INTERFACE = "org.freedesktop.login1.Manager"
NAME = "org.freedesktop.login1"
BUS = "org.freedesktop.DBus"
BUS_PATH = "/org/freedesktop/DBus"


def send(connection, message, destination=None):
    if destination is not None:
        message.set_destination(destination)
    connection.send_message(message)
    connection.flush()


def prepare_for_sleep(starting):
    signal = dbus.lowlevel.SignalMessage(PATH, INTERFACE, "PrepareForSleep")
    signal.append(dbus.Boolean(starting), signature="b")
    return signal


def name_owner_changed(old, new):
    signal = dbus.lowlevel.SignalMessage(BUS_PATH, BUS, "NameOwnerChanged")
    signal.append(NAME, old, new, signature="sss")
    return signal


def others(connection, *mine):
    names = connection.call_blocking(BUS, BUS_PATH, BUS, "ListNames", "", [])
    return [str(name) for name in names if name.startswith(":") and name not in mine]


def settle(connection):
    """Once the bus has answered this, it has passed on all sent before."""
    connection.call_blocking(BUS, BUS_PATH, BUS, "GetId", "", [])


address = sys.argv[1]
owner = dbus.bus.BusConnection(address)
if owner.request_name(NAME, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != \
        dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
    sys.exit("could not own " + NAME)
impostor = dbus.bus.BusConnection(address)
mine = (owner.get_unique_name(), impostor.get_unique_name())
print("ready", flush=True)
for line in sys.stdin:
    command = line.strip()
    if command in ("true", "false"):
        send(owner, prepare_for_sleep(command == "true"))
    elif command in ("impostor-true", "impostor-false"):
        send(impostor, prepare_for_sleep(command == "impostor-true"))
    elif command in ("impostor-unicast-true", "impostor-unicast-false"):
        for destination in others(impostor, *mine):
            send(impostor, prepare_for_sleep(command == "impostor-unicast-true"), destination)
    elif command == "impostor-claim":
        for destination in others(impostor, *mine):
            send(impostor, name_owner_changed(mine[0], mine[1]), destination)
    else:
        continue
    settle(owner)
    settle(impostor)
    print("sent", flush=True)
