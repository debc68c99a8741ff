#!/usr/bin/env bash
# The Windows checks of the test command: q4t cross-built and packed, the
# package unpacked into an empty folder, the core tests and the end-to-end
# test under Wine in a fresh prefix of the build folder, against the Linux
# build in build/ (its q4t and virtual keyboard).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-x86-64-posix wine64 zip unzip procps

build=build-windows
scripts/build-windows.sh -DQ4T_WERROR=ON -DQ4T_LINUX_BUILD="$PWD/build"
cmake --build "$build" -j2 --target core_tests windows_tests

rm -rf "$build/unpacked"
mkdir -p "$build/unpacked"
unzip -q dist/q4t-*-windows-x64.zip -d "$build/unpacked"

export WINEPREFIX=$PWD/$build/wine WINEDEBUG=-all
rm -rf "$WINEPREFIX"
/usr/lib/wine/wine64 wineboot --init </dev/null >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure -L windows
/usr/lib/wine/wineserver64 -k 2>/dev/null || true
