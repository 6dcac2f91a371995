#!/usr/bin/env bash
# Builds the Debian package and checks it: its files, its dependencies (Debian's own Qt 6
# packages), lintian, and an installation and removal. On CI (VOK_CI=1, as root) it is
# installed for real with apt and removed again; elsewhere into a scratch root with dpkg.
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() { echo "package_test: $*" >&2; exit 1; }

scripts/package.sh >/dev/null
deb=$(ls build/release/vokruzeru_*_amd64.deb)

contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/vokruzeru ./usr/lib/vokruzeru/vokruzeru ./usr/lib/vokruzeru/VOKMaker2.exe \
  ./usr/share/applications/vokruzeru.desktop ./usr/share/icons/hicolor/32x32/apps/vokruzeru.png \
  ./usr/share/mime/packages/vokruzeru.xml ./usr/share/metainfo/com.example.vokruzeru.metainfo.xml \
  ./usr/share/icons/hicolor/{16x16,32x32,64x64,128x128}/mimetypes/application-x-{vok,temo}.png; do
  grep -q " $file\( \|$\)" <<<"$contents" || fail "$file is not in the package"
done

depends=$(dpkg-deb -f "$deb" Depends)
grep -q libqt6widgets6 <<<"$depends" || fail "no dependency on Qt 6 Widgets: $depends"
for name in $(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g'); do
  apt-cache show "$name" >/dev/null 2>&1 || fail "dependency $name is not a Debian package"
done

lintian --fail-on error --suppress-tags changelog-file-missing-in-native-package,no-copyright-file \
  "$deb" || fail "lintian found errors"

if [ "${VOK_CI:-}" = 1 ] && [ "$(id -u)" = 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
  status=0
  QT_QPA_PLATFORM=offscreen timeout 3 vokruzeru || status=$?
  [ "$status" = 124 ] || fail "the installed program ended by itself (status $status)"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq --purge vokruzeru >/dev/null
  [ ! -e /usr/lib/vokruzeru ] && [ ! -e /usr/bin/vokruzeru ] || fail "files left after removal"
else
  root=$(mktemp -d)
  trap 'rm -rf "$root"' EXIT
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
  touch "$root/var/lib/dpkg/status"
  dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >/dev/null 2>&1
  [ -x "$root/usr/lib/vokruzeru/vokruzeru" ] || fail "the program was not installed"
  dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -r vokruzeru >/dev/null
  left=$(find "$root/usr" -type f -o -type l 2>/dev/null | head -n 5 || true)
  [ -z "$left" ] || fail "files left after removal: $left"
fi
echo "package_test: passed"
