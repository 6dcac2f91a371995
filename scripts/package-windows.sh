#!/usr/bin/env bash
# Builds the Windows installer on Linux with wixl (msitools):
#   build/windows/vokruzeru-<version>-windows-x64.msi
# from the programs of the Windows build (scripts/test-windows.sh builds and tests them).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows
cmake --preset windows >/dev/null
cmake --build --preset windows --target vokruzeru vokmaker2 >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
msi=build/windows/vokruzeru-$version-windows-x64.msi
wixl --arch x64 -D Version="$version" -D Bin=build/windows/bin -o "$msi" packaging/vokruzeru.wxs
echo "$msi"
