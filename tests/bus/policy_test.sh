#!/usr/bin/env bash
# The system-bus policy file as installed: a private bus of the system bus's shape (credentials
# from the socket, everything closed by default, our file included unchanged) on which root runs
# the reader as a service (bcreader serve, with a simulated engine). Root and the group bcreader
# may call it, own it and hear its decodes; any other user (nobody) is refused each by the bus
# itself.
#   policy_test.sh <org.bcreader.Reader1.conf> <bcreader>
# Needs root (to run clients as other users), dbus-daemon and python3-dbus; skips (77) without.
set -uo pipefail
policy=$(realpath "$1")
bcreader=$(realpath "$2")
python=/usr/bin/python3
skip() {
  echo "SKIP: $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "needs root to run clients as other users"
command -v dbus-daemon >/dev/null || skip "no dbus-daemon (Debian dbus-daemon)"
"$python" -c 'import dbus, gi' 2>/dev/null || skip "no python3-dbus / python3-gi"

tmp=$(mktemp -d)
chmod 755 "$tmp"
daemon=""
service=""
cleanup() {
  [ -n "$service" ] && kill -9 "$service" 2>/dev/null
  [ -n "$daemon" ] && kill "$daemon" 2>/dev/null
  wait
  rm -rf "$tmp"
}
trap cleanup EXIT

# The system bus's own defaults: anyone connects, nobody owns a name or calls a method unless a
# policy file opens it, signals and replies flow.
cat >"$tmp/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <auth>EXTERNAL</auth>
  <listen>unix:path=$tmp/bus</listen>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
  </policy>
  <include>$policy</include>
</busconfig>
CONF
mkfifo "$tmp/address"
dbus-daemon --config-file="$tmp/bus.conf" --nofork --print-address=3 3>"$tmp/address" &
daemon=$!
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$tmp/bus

# One client, in the role given: "wait" until the reader owns its name; "read" a decode through
# the service; "own" prints ok or the D-Bus error's name, "call" a word per interface; "listen"
# hears signals until the name's owner leaves and prints "decode" when a Decode from it came first.
cat >"$tmp/client.py" <<'PY'
import sys, time, dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib
DBusGMainLoop(set_as_default=True)
NAME, PATH = "org.bcreader.Reader1", "/org/bcreader/Reader1"
bus = dbus.SystemBus()
role = sys.argv[1]

try:
    if role == "wait":
        end = time.monotonic() + 20
        while not bus.name_has_owner(NAME) and time.monotonic() < end:
            time.sleep(0.02)
        print("ready" if bus.name_has_owner(NAME) else "no owner")
        sys.exit(0)
    if role == "read":
        reader = bus.get_object(NAME, PATH, introspect=False)
        code_type, data = reader.ReadBarcodeData(dbus_interface="org.bcreader.Service1",
                                                 byte_arrays=True)
        print("read " + bytes(data).decode("latin-1"))
        sys.exit(0)
    if role == "call":
        # A call on each interface the policy names: "through" when the bus passed it on (the
        # service may answer with an error of its own), "denied" when the bus refused it.
        reader = bus.get_object(NAME, PATH, introspect=False)
        calls = [(NAME, "Post", ["WM_USER1DOWN"]), ("org.bcreader.Service1", "Options", []),
                 ("org.freedesktop.DBus.Introspectable", "Introspect", []),
                 ("org.freedesktop.DBus.Properties", "GetAll", ["org.bcreader.Service1"]),
                 ("org.freedesktop.DBus.Peer", "Ping", [])]
        results = []
        for interface, member, args in calls:
            try:
                reader.get_dbus_method(member, interface)(*args)
                results.append("through")
            except dbus.DBusException as e:
                denied = e.get_dbus_name() == "org.freedesktop.DBus.Error.AccessDenied"
                results.append("denied" if denied else "through")
        print(" ".join(results))
        sys.exit(0)
    elif role == "own":
        bus.request_name(NAME, dbus.bus.NAME_FLAG_DO_NOT_QUEUE)
    elif role == "listen":
        heard = []
        loop = GLib.MainLoop()
        bus.add_signal_receiver(lambda *a: heard.append("decode"), "Decode", NAME)
        bus.add_signal_receiver(lambda n, old, new: new == "" and loop.quit(), "NameOwnerChanged",
                                arg0=NAME)
        # A round trip to the bus: the match rules above are in place when it returns.
        bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus", introspect=False).GetId(
            dbus_interface="org.freedesktop.DBus")
        print("listening", flush=True)
        loop.run()
        print(heard[0] if heard else "nothing")
        sys.exit(0)
    print("ok")
except dbus.DBusException as e:
    print(e.get_dbus_name())
PY

failures=0
check() {  # check <what> <expected> <got>
  if [ "$2" == "$3" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: expected $2, got ${3:-no answer}"
    failures=$((failures + 1))
  fi
}
# The users of the rows: root, nobody, and nobody in the group bcreader when the system has that
# group (the bus takes a client's groups from its socket; .ci/run makes the group, this test
# makes no groups).
as() {  # as <user> <command...>
  case "$1" in
    root) "${@:2}" ;;
    nobody) setpriv --reuid=nobody --regid=nogroup --clear-groups "${@:2}" ;;
    member) setpriv --reuid=nobody --regid=nogroup --groups=bcreader "${@:2}" ;;
  esac
}
users="root nobody"
if getent group bcreader >/dev/null; then
  users="$users member"
else
  echo "SKIP row: no group bcreader on this system"
fi
allowed() {  # allowed <user> <answer when allowed>: a refusal for nobody
  if [ "$1" != nobody ]; then
    echo "$2"
  elif [ "$2" = ok ]; then
    echo org.freedesktop.DBus.Error.AccessDenied
  else
    echo "$2" | sed 's/through/denied/g'
  fi
}

read -r -t 10 address <"$tmp/address" || true
[ -n "${address:-}" ] || { echo "FAIL: dbus-daemon did not start"; exit 1; }
BCREADER_BUS=system "$bcreader" serve --sim se955 --sim-decode SCANNED >"$tmp/serve.log" 2>&1 &
service=$!
check "root's service owns the name" ready "$("$python" "$tmp/client.py" wait)"

for user in $users; do
  check "$user calls each interface" "$(allowed "$user" "through through through through through")" \
    "$(as "$user" "$python" "$tmp/client.py" call)"
  # The name is root's: a permitted request finds it taken, a refused one is denied first.
  check "$user asks for the name" "$(allowed "$user" ok)" \
    "$(as "$user" "$python" "$tmp/client.py" own)"
done

# Signals: each listener hears until the owner leaves, which the bus tells after the Decode.
listeners=()
for user in $users; do
  exec {out}< <(as "$user" "$python" "$tmp/client.py" listen 2>&1)
  read -r -t 10 line <&"$out"
  check "$user listens" listening "${line:-}"
  listeners+=("$user:$out")
done
check "root reads a decode" "read SCANNED" "$("$python" "$tmp/client.py" read 2>&1)"
kill "$service"
wait "$service"
check "the service stops on SIGTERM" 0 "$?"
service=""
for entry in "${listeners[@]}"; do
  user=${entry%%:*}
  read -r -t 10 line <&"${entry#*:}"
  check "$user hears the Decode" "$([ "$user" = nobody ] && echo nothing || echo decode)" "${line:-}"
done

[ "$failures" -eq 0 ] && echo "the policy admits root and the group bcreader, and nobody else"
exit $((failures > 0))
