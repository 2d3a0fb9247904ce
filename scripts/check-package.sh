#!/usr/bin/env bash
# Builds the Debian package of BUILD_DIR into a temporary folder, unpacks it
# (dpkg -x) and checks it: lintian (-I -E --pedantic) finds no error, no
# warning and no missing hardening; the programs and their version, the
# templates where the unpacked program finds them (an export against the
# unpacked simulator), the desktop file, icons, metainfo (with screenshots that
# exist in docs/screenshots) and man pages, the changelog's version, and the
# declared library dependencies. Run by ctest as the test "package".
#
#   scripts/check-package.sh BUILD_DIR VERSION [QT_MAJOR]
#
# QT_MAJOR (5, the default, or 6) is the Qt the build folder was made with: it
# decides which Qt libraries the package must depend on.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/.." && pwd)
build=$(cd "$1" && pwd)
version=$2
qt_major=${3:-5}
case "$qt_major" in
  5) qt_libs=(libqt5core5a libqt5gui5 libqt5widgets5 libqt5charts5 libqt5serialbus5 libqt5serialport5
    libqt5network5) ;;
  6) qt_libs=(libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libqt6serialbus6 libqt6serialport6
    libqt6network6) ;;
  *) echo "usage: scripts/check-package.sh BUILD_DIR VERSION [5|6]" >&2; exit 2 ;;
esac
app=com.lumo_weighing.q4config

bash "$here/deps.sh" --check dpkg-shlibdeps lintian desktop-file-validate appstreamcli

work=$(mktemp -d)
sim=
cleanup() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "package check failed: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  fail "cpack -G DEB did not build the package"
}
deb=$(find "$work/out" -maxdepth 1 -name '*.deb')
if [ -z "$deb" ] || [ "$(echo "$deb" | wc -l)" != 1 ]; then
  fail "expected one .deb in $work/out, found: $deb"
fi
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) kB)"

# lintian: every tag is shown; an error, a warning or a missing hardening flag
# (whatever its level) fails the check.
lintian -I -E --pedantic --fail-on none "$deb" >"$work/lintian.log" 2>"$work/lintian.err" \
  || { cat "$work/lintian.log" "$work/lintian.err" >&2; fail "lintian did not run"; }
sed 's/^/lintian: /' "$work/lintian.log"
if grep -qE '^[EW]: |: hardening-' "$work/lintian.log"; then
  fail "lintian reports errors, warnings or missing hardening"
fi

# Control fields: name, version, and the libraries found by dpkg-shlibdeps.
[ "$(dpkg-deb -f "$deb" Package)" = q4config ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version), not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The package names of Depends, one a line (alternatives included).
depends_names=$(echo "$depends" | tr ',|' '\n\n' | awk '{print $1}')
for lib in libc6 libstdc++6 "${qt_libs[@]}" libzip4; do
  grep -qxF "$lib" <<<"$depends_names" || fail "Depends lacks $lib"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/q4config usr/bin/q4sim; do
  [ -x "$root/$f" ] || fail "missing program /$f"
done
for f in \
  usr/share/q4config/Template/KTT-Q4_EN.xlsx \
  usr/share/q4config/Template/KTT-Q4_CH.xlsx \
  "usr/share/applications/$app.desktop" \
  "usr/share/metainfo/$app.metainfo.xml" \
  "usr/share/icons/hicolor/scalable/apps/$app.svg" \
  usr/share/man/man1/q4config.1.gz \
  usr/share/man/man1/q4sim.1.gz \
  usr/share/doc/q4config/copyright \
  usr/share/doc/q4config/changelog.gz \
  usr/share/doc/q4config/examples/q4config-backup.service \
  usr/share/doc/q4config/examples/q4config-backup.timer \
  usr/share/doc/q4config/examples/backup.targets; do
  [ -s "$root/$f" ] || fail "missing file /$f"
done
gzip -dc "$root/usr/share/doc/q4config/changelog.gz" >"$work/changelog"
changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
[ "$changelog_version" = "$version" ] || fail "the changelog's last entry is $changelog_version, not $version"
for size in 16 22 24 32 48 64 128 256 512; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png"
  [ -s "$png" ] || fail "missing icon ${size}x${size}"
  # PNG header: width and height, big-endian, at bytes 16..23.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "icon ${size}x${size} is $dims"
done
desktop="$root/usr/share/applications/$app.desktop"
metainfo="$root/usr/share/metainfo/$app.metainfo.xml"
grep -qx "Exec=q4config" "$desktop" || fail "desktop file does not start q4config"
grep -qx "Icon=$app" "$desktop" || fail "desktop file names another icon"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" \
  || fail "metainfo names another desktop file"
grep -q "<release version=\"$version\"" "$metainfo" \
  || fail "metainfo lacks release $version"
# Every screenshot of the metainfo is one of docs/screenshots/.
shots=$(sed -n 's#.*<image[^>]*>[^<]*/screenshots/\([^<]*\)</image>.*#\1#p' "$metainfo")
[ -n "$shots" ] || fail "metainfo has no screenshots"
for shot in $shots; do
  [ -s "$source_dir/docs/screenshots/$shot" ] || fail "metainfo screenshot $shot is not in docs/screenshots"
done
for page in q4config q4sim; do
  gzip -dc "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1 .*$version" \
    || fail "man page $page lacks its header or version"
done
# The validators: an error or a warning fails the check; hints are shown.
desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 || true
cat "$work/desktop.log" >&2
if grep -qE '(error|warning):' "$work/desktop.log"; then
  fail "desktop-file-validate"
fi
appstreamcli validate --no-net "$metainfo" >"$work/as.log" 2>&1 \
  || { cat "$work/as.log" >&2; fail "appstreamcli validate"; }

# The unpacked programs run and print the project version.
[ "$("$root/usr/bin/q4config" --version)" = "q4config $version" ] || fail "q4config --version"
[ "$("$root/usr/bin/q4sim" --version)" = "q4sim $version" ] || fail "q4sim --version"

# The unpacked program finds its templates (bin/../share/q4config/Template):
# an export without --data-dir against the unpacked simulator. HOME is a
# scratch folder, so no settings of the user are read or written.
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
# The file exists before the simulator writes to it: the wait below reads it at once.
: >"$work/sim.out"
"$root/usr/bin/q4sim" --tcp 127.0.0.1:0 >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do
  grep -q '^listening ' "$work/sim.out" && break
  sleep 0.1
done
endpoint=$(sed -n 's/^listening //p' "$work/sim.out")
[ -n "$endpoint" ] || fail "the unpacked simulator did not start: $(cat "$work/sim.out")"
"$root/usr/bin/q4config" --export "$work/export.xlsx" --tcp "$endpoint" >"$work/export.log" 2>&1 \
  || { cat "$work/export.log" >&2; fail "export with the unpacked program"; }
grep -q '^export done: ' "$work/export.log" || fail "no result line of the export"
[ -s "$work/export.xlsx" ] || fail "no exported workbook"
echo "package check passed: $(grep -c . <<<"$(dpkg-deb -c "$deb")") entries"
