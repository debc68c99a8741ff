#!/usr/bin/env bash
# Lists every pair of source folders that include from each other; exits 1
# when there is one. The floors, from the bottom: model, docview; link, print;
# ui; tco, editor; app, cli, sim.
set -euo pipefail
cd "$(dirname "$0")/.."
folders=(model link docview print ui editor tco app cli sim)

# uses A B: true when a file in folder A includes a header of folder B.
uses() { grep -rqs "^#include \"$2/" "$1"; }

found=0
for ((i = 0; i < ${#folders[@]}; i++)); do
  for ((j = i + 1; j < ${#folders[@]}; j++)); do
    a=${folders[i]} b=${folders[j]}
    if uses "$a" "$b" && uses "$b" "$a"; then
      echo "$a and $b include from each other"
      found=1
    fi
  done
done
[ "$found" -eq 0 ] && echo "no two folders include from each other"
exit "$found"
