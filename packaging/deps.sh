#!/bin/sh
# The Debian packages the build, the tests and the other targets need: the one list of them.
#
#   packaging/deps.sh [SET...]     SET: build (the default), fuzz, windows, package
#
# Installs the missing packages of the sets named with apt-get when run as root or when sudo works
# without a password; otherwise stops with the apt-get line to run. When nothing is missing it
# prints nothing and returns at once (one dpkg-query call). On a system without dpkg it does
# nothing. BCREADER_NO_DEPS=1 skips it (a build that brings its own compilers and libraries).
set -eu

# Packages by set. The build set covers `make`, `make demo`, `make test`, the sanitizer builds and
# the examples: sd-bus of libsystemd for the library's bus, a dbus-daemon for the bus tests'
# private buses, and the Python D-Bus binding with its GLib main loop for the bus example and the
# policy test.
set_build="cmake make g++ pkg-config libgtest-dev libgmock-dev libasound2-dev libsndfile1-dev
  libxkbcommon-dev xkb-data libsystemd-dev dbus-daemon python3-dbus python3-gi"
set_fuzz="clang-14 libclang-rt-14-dev"
set_windows="g++-mingw-w64-x86-64 wine64"
set_package="dpkg-dev file lintian"

[ "${BCREADER_NO_DEPS:-}" = 1 ] && exit 0
command -v dpkg-query >/dev/null 2>&1 || exit 0

[ $# -gt 0 ] || set -- build
wanted=""
for set_name in "$@"; do
  case "$set_name" in
    build | fuzz | windows | package) eval "wanted=\"\$wanted \$set_$set_name\"" ;;
    *)
      echo "deps.sh: unknown set '$set_name' (build, fuzz, windows, package)" >&2
      exit 2
      ;;
  esac
done

# One query for all: "ii" in the status means installed; an unknown package gives no line.
installed=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' $wanted 2>/dev/null |
  awk 'substr($1, 2, 1) == "i" { print $2 }' || true)
installed=" $(echo $installed) "
missing=""
for package in $wanted; do
  case "$installed$missing " in
    *" $package "*) ;;
    *) missing="$missing $package" ;;
  esac
done
missing=${missing# }
[ -n "$missing" ] || exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo="sudo"
else
  {
    echo "Missing Debian packages: $missing"
    echo "Install them as root, then run make again:"
    echo "  apt-get install $missing"
  } >&2
  exit 1
fi

echo "Installing the missing Debian packages: $missing"
apt_install() {
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y \
    --no-install-recommends $missing
}
# Stale or empty package lists (a fresh container) are refreshed once.
if ! apt_install; then
  $sudo apt-get -o DPkg::Lock::Timeout=300 update
  apt_install
fi
