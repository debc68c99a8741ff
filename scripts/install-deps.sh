#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Extra package names given as arguments are installed the same way (the
# screenshot and benchmark scripts add their X tools so users need not).
set -euo pipefail

packages=(cmake g++ make pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
          libsimpleini-dev clang libclang-rt-14-dev)
# The desktop program: Qt 6 Widgets and Help (qhelpgenerator builds the
# manual), the SQLite driver the help's search index is kept in, the X11 and
# GL headers Qt's CMake files ask for, the xcb and Wayland platform plugins to show
# windows, a font for the offscreen window tests, and rsvg-convert, which
# makes the icon's sizes from its drawing. Qt SVG writes the sheets as SVG;
# poppler-utils (pdftotext, pdftoppm) lets the tests read the PDFs back.
packages+=(qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools libqt6help6 libqt6sql6-sqlite
           libgl-dev libx11-dev qt6-qpa-plugins qt6-wayland fonts-dejavu-core librsvg2-bin qt6-svg-dev poppler-utils)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
    || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" </dev/null
