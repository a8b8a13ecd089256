#!/usr/bin/env bash
# Runs the Windows test programs under Wine against the engine simulator.
#
# A fresh Wine prefix under the Windows build folder (null graphics driver: hidden windows and
# messages work without a display), "COM2:" mapped to the pseudo-terminal of a native
# bcreader-sim, the test system library in C:\windows, the programs started with C: as the
# current drive. The simulator is driven on the programs' behalf (see dll_app.cpp). Every step is
# bounded in time; the closing line sums up all checks.
#
#   tests/windows/run.sh [windows build folder] [bcreader-sim]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build-windows}" && pwd)
sim=${2:-$root/build/bin/bcreader-sim}
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")

for needed in "$wine" "$wineserver" "$sim" "$build/bin/bcreader.dll" "$build/bin/Brevald.dll" \
  "$build/bin/platform_win.exe" "$build/bin/dll_app.exe"; do
  if [ ! -x "$needed" ] && [ ! -f "$needed" ]; then
    echo "run.sh: missing $needed" >&2
    exit 2
  fi
done

work=$build/wine-test
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Wine takes CP1252 as the system code page for this locale; no display: the null driver serves
# the windows.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY

sim_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  timeout 20 "$wineserver" -k 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work"
echo "== Wine prefix"
timeout 300 "$wine" wineboot --init >"$work/wineboot.log" 2>&1
timeout 60 "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
# The setting takes effect for processes started from now on, the desktop process included.
timeout 60 "$wineserver" -k || true
timeout 60 "$wineserver" -w || true

drive_c=$WINEPREFIX/drive_c
mkdir -p "$drive_c/bcreader-tests"
cp "$build/bin/bcreader.dll" "$build/bin/platform_win.exe" "$build/bin/dll_app.exe" \
  "$drive_c/bcreader-tests/"
cp "$build/bin/Brevald.dll" "$drive_c/windows/"

echo "== engine simulator"
mkfifo "$work/sim.in" "$work/sim.out"
"$sim" --engine se955 <"$work/sim.in" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
exec {sim_in}>"$work/sim.in"
exec {sim_out}<"$work/sim.out"
IFS= read -r -t 10 pty <&"$sim_out"
ln -sfn "$pty" "$WINEPREFIX/dosdevices/com2"
echo "COM2: is $pty"

passed=0
failed=0
tally() {  # the closing line of a program's output
  local line
  line=$(tr -d '\r' <"$1" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -1 || true)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    echo "run.sh: $2 ended without its closing line"
    return
  fi
  passed=$((passed + $(echo "$line" | cut -d' ' -f1)))
  failed=$((failed + $(echo "$line" | cut -d' ' -f3)))
}

echo "== platform layer"
(cd "$drive_c" && timeout 120 "$wine" 'C:\bcreader-tests\platform_win.exe') \
  >"$work/platform.log" 2>&1 || true
tr -d '\r' <"$work/platform.log"
tally "$work/platform.log" platform_win.exe

echo "== application using bcreader.dll"
mkfifo "$work/app.in" "$work/app.out"
(cd "$drive_c" && exec timeout 180 "$wine" 'C:\bcreader-tests\dll_app.exe') \
  <"$work/app.in" >"$work/app.out" 2>&1 &
app_pid=$!
exec {app_in}>"$work/app.in"
exec {app_out}<"$work/app.out"
: >"$work/app.log"
while IFS= read -r -t 200 line <&"$app_out"; do
  line=${line%$'\r'}
  echo "$line" | tee -a "$work/app.log"
  case "$line" in
    "@sim "*)
      echo "${line#@sim }" >&"$sim_in"
      echo ok >&"$app_in"
      ;;
    "@record")
      echo record >&"$sim_in"
      while IFS= read -r -t 10 frame <&"$sim_out"; do
        echo "$frame" >&"$app_in"
        [ "$frame" = end ] && break
      done
      ;;
  esac
done
wait "$app_pid" || true
app_pid=""
tally "$work/app.log" dll_app.exe

echo "== process exit with the library loaded"
start=$(date +%s)
if (cd "$drive_c" && timeout 60 "$wine" 'C:\bcreader-tests\dll_app.exe' --exit-loaded) \
  >"$work/exit.log" 2>&1; then
  echo "[       OK ] ProcessEndsWithTheReaderRunning ($(($(date +%s) - start)) s)"
  passed=$((passed + 1))
else
  cat "$work/exit.log"
  echo "[  FAILED  ] ProcessEndsWithTheReaderRunning"
  failed=$((failed + 1))
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
