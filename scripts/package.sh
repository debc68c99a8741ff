#!/usr/bin/env bash
# Builds the Debian package q4t-programmer and leaves it in dist/. Installs
# what the build needs (debian/control's Build-Depends), only what is missing.
# The package is built in a copy of the sources under build-deb/, so that
# nothing of an earlier build is reused and the repository stays clean.
# DEB_BUILD_OPTIONS passes on: nocheck leaves the tests out.
set -euo pipefail
cd "$(dirname "$0")/.."

# apt adds build-essential, which brings dpkg-dev with dpkg-checkbuilddeps.
if ! command -v dpkg-checkbuilddeps >/dev/null || ! dpkg-checkbuilddeps >/dev/null 2>&1; then
  echo "Installing the build dependencies of debian/control"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get build-dep -y -qq --no-install-recommends ./ </dev/null
fi

version=$(dpkg-parsechangelog -S Version)
work=build-deb
rm -rf "$work"
mkdir -p "$work/q4t-programmer-$version" dist
tar --exclude-vcs --exclude='./build*' --exclude=./dist -cf - . | tar -C "$work/q4t-programmer-$version" -xf -

# dpkg-buildpackage leaves the package beside the source folder.
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }parallel=2"
(cd "$work/q4t-programmer-$version" && dpkg-buildpackage -b -us -uc)
rm -f dist/q4t-programmer_*.deb
mv "$work"/q4t-programmer_"$version"_*.deb dist/
ls -l dist/q4t-programmer_"$version"_*.deb
