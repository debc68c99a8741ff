#!/usr/bin/env bash
# Download and Upload against the virtual keyboard pacing at 9600 baud, each
# timed against what its bytes alone need on the line; then the CPU time of a
# linked process that waits 10 seconds for a keyboard that keeps it waiting.
set -eu
build=${1:-build}
work=$(mktemp -d)
export Q4T_PORT_DIR=$work
export XDG_DATA_HOME=$work/data  # the tables a download keeps
trap 'kill $sim 2>/dev/null; rm -rf "$work"' EXIT

run_sim() {
  "$build/sim/q4t-keyboard-sim" --link "$work/COM1" --log "$work/log" "$@" > "$work/sim.out" 2>&1 &
  sim=$!
  until grep -q ready "$work/sim.out" 2>/dev/null; do sleep 0.1; done
}

line_bound() {  # seconds the request and reply bytes of the log need at 9600 baud 8N1
  python3 - "$work/log" <<'PY'
import sys
total = 0
for line in open(sys.argv[1]):
    b = [int(x, 16) for x in line.split()]
    unit, command = b[2], b[4]
    reply = 6
    if command == 9: reply += b[7]
    if command == 7: reply = 127 if unit == 9 else 6 + 60
    total += len(b) + reply
print(total * 10 / 9600)
PY
}

run_sim --pace
for transfer in download upload; do
  "$build/q4t" connect --port COM1 > /dev/null
  : > "$work/log"
  file=DefTable.q4t; [ $transfer = upload ] && file=$work/out.q4t
  start=$(date +%s.%N)
  "$build/q4t" $transfer --port COM1 "$file" > /dev/null
  end=$(date +%s.%N)
  bound=$(line_bound)
  python3 -c "t=$end-$start; print('$transfer: %.3f s, line bound %.3f s, ratio %.3f' % (t, $bound, t/$bound))"
done
kill $sim; wait $sim 2>/dev/null || true

run_sim --busy-units 0
/usr/bin/time -f "linked and waiting 10 s: %U s user, %S s system" \
  "$build/q4t" read-tco --port COM1 --timeout 10 > /dev/null 2> "$work/time" || true
tail -n 1 "$work/time"
