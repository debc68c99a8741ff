#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, q4t
# for Windows under Wine, the Debian package with its checks, the core tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, and a bounded fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

echo "== no two source folders include from each other"
scripts/check-layers.sh

echo "== build and test"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ4T_WERROR=ON >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

echo "== q4t for Windows: cross-built and packed, its core tests and the end-to-end test under Wine"
scripts/test-windows.sh

echo "== the Debian package, built without its tests (they ran above), checked and tried unpacked"
scripts/install-deps.sh lintian desktop-file-utils appstream libxml2-utils shared-mime-info
DEB_BUILD_OPTIONS=nocheck scripts/package.sh
scripts/check-package.sh dist/q4t-programmer_*.deb build

echo "== address and undefined-behaviour sanitizers"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQ4T_SANITIZE=ON -DQ4T_WERROR=ON -DQ4T_GUI=OFF >/dev/null
cmake --build build-asan -j2
ctest --test-dir build-asan --output-on-failure -j2 -L core

echo "== thread sanitizer: the link with its receive thread"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DQ4T_TSAN=ON -DQ4T_WERROR=ON -DQ4T_GUI=OFF >/dev/null
cmake --build build-tsan -j2 --target link_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j2 -R KeyboardLinkTest

echo "== fuzzing the wire and the key table reader for 30 seconds each"
cmake -S . -B build-fuzz -DQ4T_FUZZ=ON -DQ4T_WERROR=ON -DQ4T_GUI=OFF -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 --target wire_fuzz keytable_fuzz
for target in wire_fuzz keytable_fuzz; do
  corpus=$(mktemp -d)
  [ "$target" = keytable_fuzz ] && cp fuzz/keytable_seeds/* "$corpus"
  log=$(mktemp)
  # A finding stops the run with its report and the input, which libFuzzer
  # leaves as crash-* in the current folder.
  if ! build-fuzz/fuzz/$target -max_total_time=30 -print_final_stats=1 "$corpus" >"$log" 2>&1; then
    tail -n 40 "$log"
    exit 1
  fi
  tail -n 4 "$log"
  rm -rf "$corpus" "$log"
done
