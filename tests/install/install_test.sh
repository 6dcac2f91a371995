#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed program:
# its layout, its desktop entry, that it starts, and that Create, View and Unpack work for a
# user who cannot write to its folder.
#   install_test.sh BUILD_DIR INSTALLED_CHECK
set -euo pipefail
build=$1
check=$2
tmp=$(mktemp -d)
trap 'chmod -R u+w "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
prefix=$tmp/prefix
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/vokruzeru lib/vokruzeru/vokruzeru lib/vokruzeru/VOKMaker2.exe \
  share/applications/vokruzeru.desktop \
  share/icons/hicolor/{16x16,32x32,48x48,128x128,256x256}/apps/vokruzeru.png; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done
[ -L "$prefix/bin/vokruzeru" ] || fail "bin/vokruzeru is not a link"
[ "$(readlink -f "$prefix/bin/vokruzeru")" = "$(readlink -f "$prefix/lib/vokruzeru/vokruzeru")" ] ||
  fail "bin/vokruzeru does not lead to the program"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/vokruzeru.desktop" || fail "invalid desktop entry"
fi

# Started through the link, the program shows its window and runs until it is stopped.
status=0
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 timeout 3 "$prefix/bin/vokruzeru" || status=$?
[ "$status" = 124 ] || fail "the installed program ended by itself (status $status)"

# A user who cannot write to the program's folder. The check runs from a copy that this user
# can reach: the build may lie in a home folder that only its owner can enter (/root).
work=$tmp/work
mkdir -p "$work"
cp "$check" "$tmp/installed_check"
run=("$tmp/installed_check" "$prefix/lib/vokruzeru" "$work")
if [ "$(id -u)" = 0 ]; then
  chown -R nobody "$work"
  chmod -R a+rX "$prefix"
  run=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work"
    XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work" "${run[@]}")
else
  chmod -R a-w "$prefix"
  run=(env HOME="$work" XDG_DATA_HOME="$work/data" "${run[@]}")
fi
"${run[@]}" || fail "Create, View and Unpack failed on the installed program"
[ -z "$(ls -A "$prefix/lib/vokruzeru" | grep -v -x -e vokruzeru -e VOKMaker2.exe)" ] ||
  fail "files were written into the program's folder"
echo "install_test: passed"
