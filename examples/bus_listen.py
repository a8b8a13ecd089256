#!/usr/bin/python3
"""Prints each decode the reader announces on D-Bus, starting with those it still holds.

    bus_listen.py [--system]

The session bus unless --system (where the policy admits root and the group bcreader). Needs
python3-dbus and python3-gi (Debian). One line per decode: sequence, decode type, symbology and
the data, with bytes outside printable ASCII as \\xHH. When the reader leaves the bus (the
library unloaded, or the bus restarted) and comes back, the decodes in between are fetched with
DecodesSince; a gap means some of them were no longer held.
"""
import argparse
import sys

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.bcreader.Reader1"
PATH = "/org/bcreader/Reader1"


def text(data):
    return "".join(chr(b) if 0x20 <= b < 0x7F and b != 0x5C else "\\x%02X" % b for b in data)


class Listener:
    def __init__(self, bus):
        self.bus = bus
        self.last = 0  # the highest sequence printed
        self.owner_pid = None  # the process whose sequence numbers those are
        self.held = None  # signals that arrive while a catch-up runs, else None
        bus.add_signal_receiver(self.on_decode, "Decode", NAME, NAME, PATH, byte_arrays=True)
        bus.add_signal_receiver(self.on_state, "ReaderState", NAME, NAME, PATH)
        bus.watch_name_owner(NAME, self.on_owner)

    def show(self, sequence, decode_type, symbology, data):
        if sequence > self.last:
            self.last = sequence
            print("%d %s %s %s" % (sequence, decode_type, symbology, text(data)), flush=True)

    def on_decode(self, sequence, decode_type, symbology, data, time_ms):
        if self.held is not None:
            self.held.append((sequence, decode_type, symbology, data))
        else:
            self.show(sequence, decode_type, symbology, data)

    def on_state(self, state):
        print("-- engine %s" % ("back" if state else "lost"), flush=True)

    def on_owner(self, owner):
        if not owner:
            print("-- reader not on the bus", flush=True)
            return
        # Sequence numbers count from 1 in each process that owns the name: a reader back in
        # another process (a service restarted) starts afresh, one back after a bus restart not.
        daemon = self.bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        pid = daemon.GetConnectionUnixProcessID(owner, dbus_interface="org.freedesktop.DBus")
        if pid != self.owner_pid:
            self.owner_pid, self.last = pid, 0
        self.held = []
        reader = self.bus.get_object(NAME, PATH, introspect=False)
        reader.DecodesSince(dbus.UInt64(self.last), dbus_interface=NAME, byte_arrays=True,
                            reply_handler=self.caught_up, error_handler=self.failed)

    def caught_up(self, decodes, gap):
        if gap:
            print("-- some decodes were missed", flush=True)
        for sequence, decode_type, symbology, data, time_ms in decodes:
            self.show(sequence, decode_type, symbology, data)
        self.release()

    def failed(self, error):
        print("bus_listen: DecodesSince: %s" % error, file=sys.stderr)
        self.release()

    def release(self):
        held, self.held = self.held or [], None
        for decode in held:
            self.show(*decode)


def main():
    parser = argparse.ArgumentParser(description="Print the reader's decodes from D-Bus.")
    parser.add_argument("--system", action="store_true", help="the system bus (default: session)")
    args = parser.parse_args()
    DBusGMainLoop(set_as_default=True)
    try:
        bus = dbus.SystemBus() if args.system else dbus.SessionBus()
    except dbus.DBusException as error:
        print("bus_listen: no bus: %s" % error.get_dbus_message(), file=sys.stderr)
        return 1
    Listener(bus)
    loop = GLib.MainLoop()
    try:
        loop.run()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
