#!/usr/bin/env bash
# Builds the Windows program and its tests with MinGW-w64 and runs the tests under Wine on a
# virtual display, then builds the installer and the .zip and checks both. Exits non-zero when a
# test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh windows
cmake --preset windows >/dev/null
cmake --build --preset windows

# A Wine prefix of the build's own, made once, quietly: no Mono or Gecko installer dialogs.
export WINEPREFIX="$PWD/build/windows/wineprefix"
export WINEDEBUG=-all
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Initialising the Wine prefix $WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1
  wineserver --wait
fi

# One wineserver for all tests, ended however the run ends.
trap 'wineserver --kill >/dev/null 2>&1 || true' EXIT
xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" \
  ctest --preset windows

# The download for Windows users: a .zip with the program and the archive tool.
(cd build/windows && cpack -G ZIP >/dev/null)
zip=$(ls build/windows/vokruzeru-*-windows-x64.zip)
contents=$(unzip -Z1 "$zip")
for file in vokruzeru.exe VOKMaker2.exe; do
  grep -q "/$file\$" <<<"$contents" || { echo "test-windows: $file is not in $zip" >&2; exit 1; }
done
[ "$(wc -l <<<"$contents")" -le 3 ] || { echo "test-windows: unexpected files in $zip" >&2; exit 1; }
echo "test-windows: $zip holds the program and the archive tool"

# The installer: built with wixl, then installed, used and removed in a fresh Wine prefix.
msi=$(scripts/package-windows.sh | tail -n 1)
xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" \
  tests/win/installer_test.sh "$msi" build/windows/tests/opened_window_check.exe
