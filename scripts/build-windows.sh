#!/usr/bin/env bash
# Cross-builds q4t for Windows x64 with Debian's MinGW-w64 and leaves
# dist/q4t-VERSION-windows-x64.zip: q4t.exe, DefTable.q4t, the license and a
# short README for Windows users. Extra arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-x86-64-posix zip

build=build-windows
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j2 --target q4t

version=$(sed -n 's/^project(Q4TProgrammer VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=q4t-$version-windows-x64
stage=$build/package/$name
rm -rf "$build/package"
mkdir -p "$stage" dist
x86_64-w64-mingw32-strip -o "$stage/q4t.exe" "$build/q4t.exe"
cp DefTable.q4t "$stage/"
# Windows editors expect CRLF line ends in the texts.
sed 's/$/\r/' LICENSE > "$stage/LICENSE.txt"
sed 's/$/\r/' docs/windows-README.txt > "$stage/README.txt"
rm -f "dist/$name.zip"
(cd "$build/package" && zip -qrX "../../dist/$name.zip" "$name")
echo "dist/$name.zip"
