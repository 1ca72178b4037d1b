#!/usr/bin/python3
"""Stand-ins for NetworkManager and iwd on a bus, for the Wi-Fi scan request.

  fake_network_services.py ADDRESS CONFIG_JSON

CONFIG_JSON: {"networkManager": {...}, "iwd": {...}}; a service that is
absent from it is not started.

networkManager: {"devices": [{"path", "interface", "wifi"}], "scan": MODE,
                 "scanCommand": [argv]?, "scanEvents": [argv]?,
                 "lastScan": [[TYPE, VALUE], [TYPE, VALUE]?]?,
                 "moreDevices": {"count": N, "before": BOOL}?}
iwd:            {"stations": [{"path", "interface", "station"}], "scan": MODE}
either:         "impostor": true

lastScan: a Wi-Fi device's LastScan before its first scan and, if given,
after each scan (else the boot-time clock in milliseconds); TYPE is a D-Bus
type code: "x", "i" or "s". moreDevices: N more devices, none of them Wi-Fi,
listed after the configured ones (before them when "before"); they answer
Get(Interface) from one object, and "count" on standard input is answered
with "asked N", how many times they were asked. A station's "interface" that
is a number makes its Device.Name an int32. impostor: as the scan is
requested, a second connection, which owns no name, sends the caller a
PropertiesChanged of its own (unicast) that says the scan ended, then prints
"impostor-sent".

MODE says how a scan request is answered:
  finish       accepted; the scan ends on "end-scan" (standard input)
  running      a scan already runs when asked: NetworkManager accepts and
               joins it, iwd answers Busy; it ends on "end-scan"
  never        accepted; the scan never ends
  refuse       NetworkManager: PermissionDenied, as its polkit check gives;
               iwd: the bus policy's AccessDenied
  not-allowed  NetworkManager: Device.NotAllowed (unavailable, activating)
  busy         iwd: Busy while no scan runs (connecting)
  command      NetworkManager: runs scanCommand (the real trigger, as root);
               LastScan advances when scanEvents (iw event) reports the
               interface's scan finished; a request while a scan runs joins it

Prints "ready" once every name is owned, then one line per event:
"requested PATH", "scan-ended PATH LASTSCAN"; "end-scan" on standard input
is answered with "ended"."""
import json
import subprocess
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NM = "org.freedesktop.NetworkManager"
NM_DEVICE = NM + ".Device"
NM_WIRELESS = NM + ".Device.Wireless"
IWD = "net.connman.iwd"
IWD_DEVICE = IWD + ".Device"
IWD_STATION = IWD + ".Station"
PROPERTIES = "org.freedesktop.DBus.Properties"
OBJECT_MANAGER = "org.freedesktop.DBus.ObjectManager"


def say(text):
    print(text, flush=True)


def boottime_ms():
    return int(time.clock_gettime(time.CLOCK_BOOTTIME) * 1000)


def typed(spec):
    kind, value = spec
    return {"x": dbus.Int64, "i": dbus.Int32, "s": dbus.String}[kind](value)


def changed_message(path, interface, values):
    message = dbus.lowlevel.SignalMessage(path, PROPERTIES, "PropertiesChanged")
    message.append(interface, dbus.Dictionary(values, signature="sv"),
                   dbus.Array([], signature="s"), signature="sa{sv}as")
    return message


class Impostor:
    """A connection without the service's name that tells the caller the scan ended."""

    def __init__(self, address):
        self.bus = dbus.bus.BusConnection(address)

    def tell(self, caller, path, interface, changes):
        for values in changes:
            message = changed_message(path, interface, values)
            message.set_destination(caller)
            self.bus.send_message(message)
        self.bus.flush()
        say("impostor-sent")


class Error(dbus.exceptions.DBusException):
    def __init__(self, name, text):
        super().__init__(text, name=name)


class PropertiesObject(dbus.service.Object):
    """An object whose properties are a dict of interface -> {name: value}."""

    def __init__(self, bus, path, values):
        super().__init__(bus, path)
        self.path = path
        self.values = values

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface not in self.values:
            raise Error("org.freedesktop.DBus.Error.InvalidArgs", f"No such interface '{interface}'")
        if name not in self.values[interface]:
            raise Error("org.freedesktop.DBus.Error.InvalidArgs", f"No such property '{name}'")
        return self.values[interface][name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return dbus.Dictionary(self.values.get(interface, {}), signature="sv")

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    def change(self, interface, name, value):
        self.values[interface][name] = value
        self.PropertiesChanged(interface, dbus.Dictionary({name: value}, signature="sv"),
                               dbus.Array([], signature="s"))


# ---------------------------------------------------------------- NetworkManager

class NmDevice(PropertiesObject):
    def __init__(self, bus, device, config, services):
        values = {NM_DEVICE: {"Interface": dbus.String(device["interface"]),
                              "DeviceType": dbus.UInt32(2 if device.get("wifi") else 1)}}
        last_scan = config.get("lastScan", [["x", -1]])
        if device.get("wifi"):
            values[NM_WIRELESS] = {"LastScan": typed(last_scan[0])}
        self.last_scan_after = last_scan[1] if len(last_scan) > 1 else None
        super().__init__(bus, device["path"], values)
        self.wifi = bool(device.get("wifi"))
        self.mode = config.get("scan", "finish")
        self.command = config.get("scanCommand")
        self.services = services
        # "running": a scan is under way before anyone asks.
        self.scanning = self.mode == "running"
        if self.wifi:
            services.scanners.append(self)
            if self.mode == "command":
                self.watch_kernel(config["scanEvents"])

    @dbus.service.method(NM_WIRELESS, in_signature="a{sv}", out_signature="", sender_keyword="caller")
    def RequestScan(self, options, caller=None):
        if not self.wifi:
            raise Error("org.freedesktop.DBus.Error.UnknownMethod", "No such interface")
        say(f"requested {self.path}")
        if self.services.impostor:
            self.services.impostor.tell(caller, self.path, NM_WIRELESS,
                                        [{"LastScan": dbus.Int64(boottime_ms() + 1000)}])
        if self.mode == "refuse":
            raise Error(NM + ".PermissionDenied", NM + ".wifi.scan request failed: not authorized")
        if self.mode == "not-allowed":
            raise Error(NM + ".Device.NotAllowed", "Scanning not allowed while unavailable")
        if self.mode != "never":
            self.scanning = True
        if self.mode == "command":
            self.trigger()

    def watch_kernel(self, events):
        """The kernel's scan notifications, from events (iw event)."""
        self.events = subprocess.Popen(events, stdout=subprocess.PIPE, text=True)
        GLib.io_add_watch(self.events.stdout, GLib.IO_IN | GLib.IO_HUP, self.kernel_event)

    def kernel_event(self, source, condition):
        line = self.events.stdout.readline()
        if not line:
            return False
        # "wlan3 (phy #3): scan finished: 2412 2417 ..., """
        if line.startswith(self.values[NM_DEVICE]["Interface"] + " ") and "scan finished" in line \
                and self.scanning:
            self.end_scan()
        return True

    def trigger(self, attempt=0):
        done = subprocess.run(self.command, capture_output=True, text=True)
        # Busy: a scan runs already, and its end is ours too.
        if done.returncode != 0 and "busy" not in done.stderr.lower() and attempt < 20:
            GLib.timeout_add(100, lambda: self.trigger(attempt + 1) and False)

    def end_scan(self):
        self.scanning = False
        now = typed(self.last_scan_after) if self.last_scan_after else dbus.Int64(boottime_ms())
        self.change(NM_WIRELESS, "LastScan", now)
        say(f"scan-ended {self.path} {int(now)}")


class MoreDevices(dbus.service.FallbackObject):
    """Devices that are not Wi-Fi, in numbers: one object answers for all.
    Their paths are short, so that a long list costs the bus little to carry."""

    PATH = "/m"

    def __init__(self, bus, count):
        super().__init__(bus, self.PATH)
        self.paths = [dbus.ObjectPath(f"{self.PATH}/{index}") for index in range(count)]
        self.asked = 0

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v", rel_path_keyword="path")
    def Get(self, interface, name, path=None):
        self.asked += 1
        if interface != NM_DEVICE or name != "Interface":
            raise Error("org.freedesktop.DBus.Error.InvalidArgs", "No such property")
        return dbus.String("veth" + path.rsplit("/", 1)[-1])


class NmManager(dbus.service.Object):
    def __init__(self, bus, devices, more, more_before):
        super().__init__(bus, "/org/freedesktop/NetworkManager")
        configured = [dbus.ObjectPath(d["path"]) for d in devices]
        paths = more.paths + configured if more_before else configured + more.paths
        # Made once: a long list is then sent as fast as the bus takes it.
        self.paths = dbus.Array(paths, signature="o")

    @dbus.service.method(NM, in_signature="", out_signature="ao")
    def GetDevices(self):
        return self.paths


# --------------------------------------------------------------------------- iwd

class IwdStation(PropertiesObject):
    def __init__(self, bus, station, config, services):
        name = station["interface"]
        name = dbus.Int32(name) if isinstance(name, int) else dbus.String(name)
        values = {IWD_DEVICE: {"Name": name, "Powered": dbus.Boolean(True)}}
        if station.get("station", True):
            values[IWD_STATION] = {"Scanning": dbus.Boolean(config.get("scan") == "running"),
                                   "State": dbus.String("connected")}
        super().__init__(bus, station["path"], values)
        self.mode = config.get("scan", "finish")
        self.services = services
        services.scanners.append(self)

    @property
    def scanning(self):
        return bool(self.values.get(IWD_STATION, {}).get("Scanning", False))

    @dbus.service.method(IWD_STATION, in_signature="", out_signature="", sender_keyword="caller")
    def Scan(self, caller=None):
        say(f"requested {self.path}")
        if self.services.impostor:
            self.services.impostor.tell(caller, self.path, IWD_STATION,
                                        [{"Scanning": dbus.Boolean(True)}, {"Scanning": dbus.Boolean(False)}])
        if self.mode == "refuse":
            raise Error("org.freedesktop.DBus.Error.AccessDenied", "Rejected send message")
        if self.mode in ("running", "busy"):
            raise Error(IWD + ".Busy", "Operation already in progress")
        self.change(IWD_STATION, "Scanning", dbus.Boolean(True))

    def end_scan(self):
        self.change(IWD_STATION, "Scanning", dbus.Boolean(False))
        say(f"scan-ended {self.path}")


class IwdRoot(dbus.service.Object):
    def __init__(self, bus, stations):
        super().__init__(bus, "/")
        self.stations = stations

    @dbus.service.method(OBJECT_MANAGER, in_signature="", out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        objects = {}
        for station in self.stations:
            objects[dbus.ObjectPath(station.path)] = {
                interface: dbus.Dictionary(values, signature="sv")
                for interface, values in station.values.items()}
        return dbus.Dictionary(objects, signature="oa{sa{sv}}")


class Services:
    def __init__(self):
        self.scanners = []
        self.kept = []
        self.impostor = None
        self.more = None

    def end_scans(self):
        for scanner in self.scanners:
            if scanner.scanning:
                scanner.end_scan()


def main():
    DBusGMainLoop(set_as_default=True)
    address, config = sys.argv[1], json.loads(sys.argv[2])
    services = Services()
    if config.get("impostor"):
        services.impostor = Impostor(address)
    if "networkManager" in config:
        nm = config["networkManager"]
        bus = dbus.bus.BusConnection(address)
        services.kept.append(bus)
        more = nm.get("moreDevices", {})
        services.more = MoreDevices(bus, more.get("count", 0))
        services.kept.append(services.more)
        services.kept.append(NmManager(bus, nm["devices"], services.more, more.get("before", False)))
        for device in nm["devices"]:
            services.kept.append(NmDevice(bus, device, nm, services))
        if bus.request_name(NM, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
            sys.exit(f"could not own {NM}")
    if "iwd" in config:
        iwd = config["iwd"]
        bus = dbus.bus.BusConnection(address)
        services.kept.append(bus)
        stations = [IwdStation(bus, station, iwd, services) for station in iwd["stations"]]
        services.kept += stations
        services.kept.append(IwdRoot(bus, stations))
        if bus.request_name(IWD, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
            sys.exit(f"could not own {IWD}")

    loop = GLib.MainLoop()

    def command(source, condition):
        line = sys.stdin.readline()
        if not line:
            loop.quit()
            return False
        if line.strip() == "end-scan":
            services.end_scans()
            say("ended")
        elif line.strip() == "count":
            say(f"asked {services.more.asked if services.more else 0}")
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    say("ready")
    loop.run()


if __name__ == "__main__":
    main()
