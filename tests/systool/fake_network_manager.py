#!/usr/bin/python3
# A stand-in for NetworkManager on a private bus, for the scutil tests: owns
# org.freedesktop.NetworkManager on the bus at argv[1] and answers the
# ActiveConnections property and each active connection's properties from
# the JSON in argv[2]:
#   {"connections": [{"id", "uuid", "type", "state", "vanished"?}], "hang"?}
# Prints "ready" once it owns the name.
import json
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NM = "org.freedesktop.NetworkManager"
ACTIVE = NM + ".Connection.Active"
PROPERTIES = "org.freedesktop.DBus.Properties"


class Manager(dbus.service.Object):
    def __init__(self, bus, paths, hang):
        super().__init__(bus, "/org/freedesktop/NetworkManager")
        self.paths = paths
        self.hang = hang

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if self.hang:
            time.sleep(30)
        if interface == NM and name == "ActiveConnections":
            return dbus.Array(self.paths, signature="o")
        raise dbus.exceptions.DBusException(name, name="org.freedesktop.DBus.Error.UnknownProperty")


class ActiveConnection(dbus.service.Object):
    def __init__(self, bus, path, connection):
        super().__init__(bus, path)
        self.settings = connection

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        if interface != ACTIVE:
            return dbus.Dictionary({}, signature="sv")
        c = self.settings
        return dbus.Dictionary({
            "Connection": dbus.ObjectPath("/org/freedesktop/NetworkManager/Settings/1"),
            "Id": dbus.String(c["id"]),
            "Uuid": dbus.String(c["uuid"]),
            "Type": dbus.String(c["type"]),
            "Devices": dbus.Array([], signature="o"),
            "State": dbus.UInt32(c["state"]),
            "Default": dbus.Boolean(False),
            "Vpn": dbus.Boolean(c["type"] == "vpn"),
        }, signature="sv")


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    scenario = json.loads(sys.argv[2])
    objects = []
    paths = []
    for number, connection in enumerate(scenario.get("connections", []), start=1):
        path = "/org/freedesktop/NetworkManager/ActiveConnection/%d" % number
        paths.append(dbus.ObjectPath(path))
        if not connection.get("vanished"):
            objects.append(ActiveConnection(bus, path, connection))
    objects.append(Manager(bus, paths, scenario.get("hang", False)))
    name = dbus.service.BusName(NM, bus, do_not_queue=True)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del name


main()
