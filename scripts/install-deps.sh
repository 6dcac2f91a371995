#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those that are missing.
#   scripts/install-deps.sh build|test|windows|fuzz|package|bench ...
set -euo pipefail

packages=()
for group in "$@"; do
  case "$group" in
    build) packages+=(g++ cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev) ;;
    test) packages+=(libgtest-dev libgmock-dev clang-format python3 xvfb xauth x11-utils
      xdg-utils libglib2.0-bin shared-mime-info desktop-file-utils appstream) ;;
    windows) packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 xvfb xauth unzip
      wixl) ;;
    fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    bench) packages+=(util-linux tar) ;;
    package) packages+=(dpkg-dev file lintian desktop-file-utils) ;;
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
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
