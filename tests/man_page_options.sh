#!/usr/bin/env bash
# The long options a program's --help names and those its manual page
# describes (the labels of its tagged paragraphs) are the same.
# usage: man_page_options.sh PAGE PROGRAM
set -euo pipefail
page=$1 program=$2

options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
from_help=$("$program" --help | options)
from_page=$(awk 'label { print; label = 0 } /^\.TP/ { label = 1 }' "$page" | sed 's/\\-/-/g' | options)
[ -n "$from_help" ] || { echo "$program --help lists no option" >&2; exit 1; }
if [ "$from_help" != "$from_page" ]; then
  echo "$program --help and $page differ (< only in --help, > only in the page):" >&2
  diff <(echo "$from_help") <(echo "$from_page") >&2 || true
  exit 1
fi
echo "$(echo "$from_help" | wc -l) options agree"
