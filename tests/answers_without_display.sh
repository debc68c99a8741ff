#!/usr/bin/env bash
# --help, --help-all and --version print and end with 0 where there is no display at all.
# usage: answers_without_display.sh PROGRAM VERSION
set -u
program=$1 version=$2
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
failures=0
for option in --help --help-all --version; do
  text=$("$program" "$option" 2>&1)
  status=$?
  case $option in
    --help) want=--export ;;
    --help-all) want=-platform ;;
    *) want=$version ;;
  esac
  [ "$status" = 0 ] || { echo "$option exited $status: $text" >&2; failures=1; }
  grep -qF -- "$want" <<<"$text" || { echo "$option printed no '$want': $text" >&2; failures=1; }
done
exit $failures
