#!/usr/bin/python3
"""A stand-in for a desktop's notification service on a private bus: owns
org.freedesktop.Notifications and prints each Notify call as one JSON line
("notify {...}"). Commands on standard input, each answered with "sent":

  invoke ID KEY            ActionInvoked(ID, KEY) from the service
  impostor-invoke ID KEY   the same signal from a connection without the name
  close ID REASON          NotificationClosed(ID, REASON) from the service
  mute METHOD              METHOD (GetCapabilities, Notify) never answers again
  refuse METHOD            METHOD answers with an error from now on
The first line printed is "ready". argv: bus address, capabilities
(comma-separated)."""
import json
import sys

import dbus
import dbus.bus
import dbus.exceptions
import dbus.lowlevel
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

PATH = "/org/freedesktop/Notifications"
INTERFACE = "org.freedesktop.Notifications"

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
address = sys.argv[1]
capabilities = [c for c in sys.argv[2].split(",") if c] if len(sys.argv) > 2 else []
# Method name -> "mute" or "refuse"; calls never answered are kept here.
behaviour = {}
unanswered = []


def answer(method, reply, error, *value):
    """Answers a call as the method's behaviour says."""
    how = behaviour.get(method)
    if how == "mute":
        unanswered.append((reply, error))
    elif how == "refuse":
        error(dbus.exceptions.DBusException("refused by the test", name="org.freedesktop.DBus.Error.Failed"))
    else:
        reply(*value)


def emit(connection, member, signature, *arguments):
    signal = dbus.lowlevel.SignalMessage(PATH, INTERFACE, member)
    signal.append(*arguments, signature=signature)
    connection.send_message(signal)
    connection.flush()


class Service(dbus.service.Object):
    def __init__(self, connection):
        super().__init__(connection, PATH)
        self.next_id = 1

    @dbus.service.method(INTERFACE, in_signature="", out_signature="as", async_callbacks=("reply", "error"))
    def GetCapabilities(self, reply, error):
        answer("GetCapabilities", reply, error, capabilities)

    @dbus.service.method(INTERFACE, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("fake", "lumra-tests", "1", "1.2")

    @dbus.service.method(INTERFACE, in_signature="u", out_signature="")
    def CloseNotification(self, notification_id):
        pass

    @dbus.service.method(INTERFACE, in_signature="susssasa{sv}i", out_signature="u",
                         async_callbacks=("reply", "error"))
    def Notify(self, app, replaces_id, icon, summary, body, actions, hints, timeout, reply, error):
        if replaces_id != 0:
            notification_id = int(replaces_id)
        else:
            notification_id = self.next_id
            self.next_id += 1
        record = {
            "app": str(app), "replaces_id": int(replaces_id), "icon": str(icon),
            "summary": str(summary), "body": str(body), "actions": [str(a) for a in actions],
            "hints": {str(k): (bool(v) if isinstance(v, dbus.Boolean) else str(v))
                      for k, v in hints.items()},
            "timeout": int(timeout), "id": notification_id,
        }
        print("notify " + json.dumps(record, sort_keys=True), flush=True)
        answer("Notify", reply, error, dbus.UInt32(notification_id))


owner = dbus.bus.BusConnection(address)
if owner.request_name(INTERFACE, dbus.bus.NAME_FLAG_DO_NOT_QUEUE) != \
        dbus.bus.REQUEST_NAME_REPLY_PRIMARY_OWNER:
    sys.exit("could not own " + INTERFACE)
service = Service(owner)
impostor = dbus.bus.BusConnection(address)


def command(source, condition):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    words = line.split()
    if len(words) == 3 and words[0] in ("invoke", "impostor-invoke"):
        connection = owner if words[0] == "invoke" else impostor
        emit(connection, "ActionInvoked", "us", dbus.UInt32(int(words[1])), words[2])
    elif len(words) == 2 and words[0] in ("mute", "refuse"):
        behaviour[words[1]] = words[0]
    elif len(words) == 3 and words[0] == "close":
        emit(owner, "NotificationClosed", "uu", dbus.UInt32(int(words[1])),
             dbus.UInt32(int(words[2])))
    else:
        print("unknown " + line.strip(), flush=True)
        return True
    print("sent", flush=True)
    return True


loop = GLib.MainLoop()
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
print("ready", flush=True)
loop.run()
