#!/usr/bin/env bash
# Installs the Windows installer into a fresh Wine prefix and checks it as a user would: the
# files, the Start-menu shortcut and the file associations are there; an archive opened through
# its association (as a double-click in Explorer opens it) is listed in the program's window;
# the scripts go to the per-user folder; uninstalling leaves nothing of the program behind.
# Run on a display (xvfb-run), after scripts/package-windows.sh.
#   installer_test.sh MSI OPENED_WINDOW_CHECK
set -euo pipefail
msi=$(realpath "$1")
check=$(realpath "$2")
fail() { echo "installer_test: $*" >&2; exit 1; }

export WINEPREFIX
WINEPREFIX=$(mktemp -d)
export WINEDEBUG=-all WINEARCH=win64
trap 'wineserver --kill >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot --init >/dev/null 2>&1
wineserver --wait
c=$WINEPREFIX/drive_c
snapshot() { find "$c" -path "$c/windows" -prune -o -print | sort; }
snapshot >"$WINEPREFIX/before.txt"

wine msiexec /i "$msi" /qn || fail "msiexec /i failed"
program="$c/Program Files/VOKRuzeru"
[ "$(ls "$program")" = "$(printf 'VOKMaker2.exe\nvokruzeru.exe')" ] ||
  fail "Program Files\\VOKRuzeru holds: $(ls -A "$program")"
shortcut=$(find "$c" -name 'VOK-TEMO Vozare.lnk' -path '*Start Menu/Programs/*')
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
grep -qa 'vokruzeru.exe' "$shortcut" || fail "the shortcut does not start vokruzeru.exe"

value() { wine reg query "$1" /ve 2>/dev/null | sed -n 's/.*REG_SZ *//p' | tr -d '\r'; }
exe='"C:\Program Files\VOKRuzeru\vokruzeru.exe"'
for kind in vok temo; do
  progid=$(value "HKCR\\.$kind")
  [ "$progid" = "VOKRuzeru.$kind" ] || fail ".$kind belongs to '$progid'"
  [ "$(value "HKCR\\$progid\\shell\\open\\command")" = "$exe \"%1\"" ] ||
    fail "$progid opens with: $(value "HKCR\\$progid\\shell\\open\\command")"
  [ -n "$(value "HKCR\\$progid")" ] || fail "$progid has no name"
done
[ "$(value 'HKCR\VOKRuzeru.vok\DefaultIcon')" = "$exe,-2" ] || fail "no icon for .vok"
[ "$(value 'HKCR\VOKRuzeru.temo\DefaultIcon')" = "$exe,-3" ] || fail "no icon for .temo"

version=$(wine "C:\\Program Files\\VOKRuzeru\\vokruzeru.exe" --version | tr -d '\r')
[[ "$version" =~ ^vokruzeru\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"

# An archive of two files, opened as Explorer opens it: through its association.
documents="$c/users/Public/Documents"
mkdir -p "$documents/src/sub"
echo alpha >"$documents/src/a.txt"
echo beta >"$documents/src/sub/b.txt"
wine "C:\\Program Files\\VOKRuzeru\\VOKMaker2.exe" -a -p 'C:\users\Public\Documents\src' \
  'C:\users\Public\Documents\two files.temo' >/dev/null
wine start 'C:\users\Public\Documents\two files.temo'
wine "$check" "2 in VOK File." "two files.temo" || fail "the opened archive was not listed"
[ "$(ls -A "$program" | wc -l)" = 2 ] || fail "files were written into Program Files"
per_user=$(find "$c/users" -path '*/AppData/Local/VOKRuzeru' -type d)
[ -n "$per_user" ] || fail "the per-user folder was not used"

wine msiexec /x "$msi" /qn || fail "msiexec /x failed"
wineserver --wait
# Left: only the test's own files and the per-user folder, which belongs to the user.
left=$(comm -13 "$WINEPREFIX/before.txt" <(snapshot) |
  grep -v -e '^'"$documents" -e '^'"$per_user" || true)
[ -z "$left" ] || fail "left after uninstalling: $left"
for key in 'HKCR\.vok' 'HKCR\.temo' 'HKCR\VOKRuzeru.vok' 'HKCR\VOKRuzeru.temo' \
  'HKLM\Software\VOKRuzeru'; do
  ! wine reg query "$key" >/dev/null 2>&1 || fail "$key left after uninstalling"
done
wineserver --kill
wineserver --wait
! grep -qi 'vokruzeru' "$WINEPREFIX"/*.reg || fail "the registry still names the program"
echo "installer_test: passed"
