#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those that are missing.
#   scripts/install-deps.sh build|headless|test|windows|fuzz|package|bench ...
# Each package is named where nothing else brings it (qt6-base-dev brings OpenGL's headers,
# Python and shared-mime-info, libgmock-dev brings googletest's headers, lintian brings
# dpkg-dev and file, python3-pyatspi brings the AT-SPI bus and dbus-run-session, every Debian
# system has tar and util-linux). tests/install/deps_test.py checks that the list is
# complete and that taking any entry out would be noticed.
set -euo pipefail

packages=()
for group in "$@"; do
  case "$group" in
    build) packages+=(g++ cmake ninja-build qt6-base-dev) ;;
    headless) packages+=(xvfb xauth) ;;  # the virtual display run.sh advises when there is none
    test) packages+=(libgmock-dev clang-format git imagemagick xvfb xauth x11-utils xdg-utils
      libglib2.0-bin desktop-file-utils appstream python3-pyatspi xdotool) ;;
    windows) packages+=(cmake ninja-build python3 googletest g++-mingw-w64-x86-64-posix wine xvfb xauth
      unzip wixl) ;;
    fuzz) packages+=(cmake ninja-build python3 clang-14 libclang-rt-14-dev) ;;
    bench) packages+=() ;;
    package) packages+=(lintian) ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

# apt-get, waiting while another package manager holds apt's or dpkg's lock (unattended upgrades
# at boot, apt in another terminal), and saying so; other failures end the script at once.
lock_wait_seconds=${VOK_APT_LOCK_WAIT:-1800}
apt_get() {
  local errors waited=0
  errors=$(mktemp)
  until "${sudo[@]}" apt-get "$@" 2>"$errors"; do
    if ! grep -qE 'Could not get lock|Unable to lock|Unable to acquire the dpkg frontend lock' "$errors"; then
      cat "$errors" >&2
      rm -f "$errors"
      return 1
    fi
    if [ "$waited" -ge "$lock_wait_seconds" ]; then
      echo "install-deps: another package manager still holds the lock after ${waited} s; giving up." >&2
      rm -f "$errors"
      return 1
    fi
    if [ "$waited" -eq 0 ]; then
      holder=$(grep -o 'held by process [0-9]* ([^)]*)' "$errors" | head -n 1 || true)
      echo "install-deps: waiting for another package manager to finish${holder:+ (${holder#held by })}..." >&2
    fi
    sleep 5
    waited=$((waited + 5))
  done
  grep -v '^debconf: delaying package configuration' "$errors" >&2 || true
  rm -f "$errors"
}

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
