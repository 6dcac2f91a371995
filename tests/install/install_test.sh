#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed program:
# its layout, its desktop entry, that it starts, that the desktop knows its archive types and
# opens an archive with it, and that Create, View and Unpack work for a user who cannot write
# to its folder.
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

metainfo=share/metainfo/com.example.vokruzeru.metainfo.xml
for file in bin/vokruzeru lib/vokruzeru/vokruzeru lib/vokruzeru/VOKMaker2.exe \
  share/applications/vokruzeru.desktop share/mime/packages/vokruzeru.xml "$metainfo" \
  share/icons/hicolor/{16x16,32x32,48x48,128x128,256x256}/apps/vokruzeru.png \
  share/icons/hicolor/{16x16,32x32,64x64,128x128}/mimetypes/application-x-{vok,temo}.png; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done
[ -L "$prefix/bin/vokruzeru" ] || fail "bin/vokruzeru is not a link"
[ "$(readlink -f "$prefix/bin/vokruzeru")" = "$(readlink -f "$prefix/lib/vokruzeru/vokruzeru")" ] ||
  fail "bin/vokruzeru does not lead to the program"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/vokruzeru.desktop" || fail "invalid desktop entry"
fi

appstreamcli validate --no-net "$prefix/$metainfo" >/dev/null || fail "invalid AppStream metainfo"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
grep -q "<release version=\"$version\"" "$prefix/$metainfo" ||
  fail "the metainfo has no release $version"

# --help and --version answer on the terminal, also where there is no display.
printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ASAN_OPTIONS=detect_leaks=0 \
  "$prefix/bin/vokruzeru" --version)
[ "$printed" = "vokruzeru $version" ] || fail "--version printed '$printed'"

# The desktop as a file manager sees it, in a scratch XDG setup that knows only this prefix.
xdg=$tmp/xdg
mkdir -p "$xdg/home" "$xdg/config" "$xdg/data" "$xdg/files/src/sub"
as_desktop=(env HOME="$xdg/home" XDG_CONFIG_HOME="$xdg/config" XDG_CONFIG_DIRS="$xdg/config"
  XDG_DATA_HOME="$xdg/data" XDG_DATA_DIRS="$prefix/share" XDG_CURRENT_DESKTOP=GNOME
  PATH="$prefix/bin:$PATH" ASAN_OPTIONS=detect_leaks=0)
"${as_desktop[@]}" update-mime-database "$prefix/share/mime"
"${as_desktop[@]}" update-desktop-database "$prefix/share/applications"
echo alpha >"$xdg/files/src/a.txt"
echo beta >"$xdg/files/src/sub/b.txt"
tool=$prefix/lib/vokruzeru/VOKMaker2.exe
"$tool" -a -p "$xdg/files/src" "$xdg/files/two files.temo" >/dev/null
"$tool" -a -p "$xdg/files/src" "$xdg/files/plain.vok" >/dev/null
cp "$xdg/files/plain.vok" "$xdg/files/renamed"
filetype() { "${as_desktop[@]}" xdg-mime query filetype "$1"; }
[ "$(filetype "$xdg/files/two files.temo")" = application/x-temo ] ||
  fail "a .temo file is $(filetype "$xdg/files/two files.temo")"
[ "$(filetype "$xdg/files/renamed")" = application/x-vok ] ||
  fail "a VOK archive without its extension is $(filetype "$xdg/files/renamed")"
for type in application/x-vok application/x-temo; do
  default=$("${as_desktop[@]}" xdg-mime query default $type)
  [ "$default" = vokruzeru.desktop ] || fail "$type opens with '$default'"
done

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
# Opened as a file manager opens it (xdg-open, through the desktop entry), the archive is
# listed in the installed program's window: its caption counts the files.
opened=$(timeout 60 xvfb-run -a -s "-screen 0 800x600x24" "${as_desktop[@]}" bash -c '
  setsid xdg-open "$1" >/dev/null 2>&1 &
  launcher=$!
  for _ in $(seq 100); do
    window=$(xwininfo -root -tree | grep -m1 -o "0x[0-9a-f]* \"[0-9]* in VOK File.\"")
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -n "$window" ]; then
    echo "$window"
    pid=$(xprop -id "${window%% *}" _NET_WM_PID | sed "s/.*= //")
    kill "$pid"
  else
    xwininfo -root -tree | grep -o "\"[^\"]*\": (\"vokruzeru\"" || echo "no window"
  fi
  kill -- -"$launcher" 2>/dev/null || true
' _ "$xdg/files/two files.temo")
grep -q '"2 in VOK File."' <<<"$opened" || fail "the opened archive was not listed: $opened"
echo "install_test: passed"
