#!/usr/bin/env bash
# Checks a built package: lintian (no error), the menu entry, the software
# centre description and the file type, then the unpacked programs from a
# folder without DefTable.q4t: the versions, `q4t show` and `q4t upload` on the
# installed default table, and the window test InstalledFilesTest of the build
# folder, copied beside the unpacked programs so that it finds their files.
# usage: check-package.sh PACKAGE.deb BUILD_FOLDER
set -euo pipefail
deb=$(realpath "$1") build=$(realpath "$2")

work=$(mktemp -d)
sim=
cleanup() {
  if [ -n "$sim" ]; then kill -TERM "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
tree=$work/tree data=$work/tree/usr/share/q4t-programmer empty=$work/empty ports=$work/ports
mkdir -p "$tree" "$empty" "$ports"
dpkg-deb -x "$deb" "$tree"

echo "-- lintian"
lintian --fail-on error "$deb" 2> >(grep -v 'root privileges' >&2)
echo "-- desktop-file-validate, appstreamcli, xmllint"
desktop-file-validate "$tree"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml
xmllint --noout "$tree"/usr/share/mime/packages/q4t-programmer.xml
XDG_DATA_DIRS=$tree/usr/share update-mime-database "$tree/usr/share/mime"
grep -qx 'application/x-q4t-keytable:\*.q4t' <(cut -d: -f2,3 "$tree/usr/share/mime/globs2")

echo "-- the README and the example table beside the changelog"
doc=$tree/usr/share/doc/q4t-programmer
ls "$doc"/README.md* >/dev/null
"$tree/usr/bin/q4t" show "$doc/examples/cafe.q4t" | grep -q '|  92 |'

echo "-- the unpacked programs in a folder without DefTable.q4t"
cd "$empty"
"$tree/usr/bin/q4t" --version
"$tree/usr/bin/q4t-keyboard-sim" --version
QT_QPA_PLATFORM=offscreen "$tree/usr/bin/q4t-programmer" --version | grep -F 1.0.0.1
"$tree/usr/bin/q4t" show "$data/DefTable.q4t" | grep -q '|  92 |'
[ -s "$data/translations/Q4TProgrammer_de.qm" ] || { echo "no German translation in the package" >&2; exit 1; }
QT_QPA_PLATFORM=offscreen "$tree/usr/bin/q4t-programmer" --export "$work/legends.pdf" --legends "$data/DefTable.q4t"
pdftotext "$work/legends.pdf" - | grep -qx 92

"$tree/usr/bin/q4t-keyboard-sim" --link "$ports/COM1" >"$ports/keyboard.out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -qx ready "$ports/keyboard.out" && break; sleep 0.1; done
# Upload starts from the default table: here only the installed one.
Q4T_PORT_DIR=$ports "$tree/usr/bin/q4t" upload --port COM1 "$work/uploaded.q4t"

cp "$build/InstalledFilesTest" "$tree/usr/bin/"
QT_QPA_PLATFORM=offscreen Q4T_EXPECT_DATA_DIR=$data "$tree/usr/bin/InstalledFilesTest" -silent
[ -z "$(ls -A "$empty")" ] || { echo "files left in the current folder: $(ls -A "$empty")" >&2; exit 1; }
echo "package checks passed"
