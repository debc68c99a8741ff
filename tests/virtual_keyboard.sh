# Sourced by the end-to-end scripts: the virtual keyboard ($sim) on
# $work/COM1, its log in $work/log and what it prints in $work/sim.out (each
# line after the time it came, in seconds), started and stopped between
# commands, and failures counted.
failures=0
sim_pid=

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

stamped() { while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done; }

start_sim() {
  stop_sim
  rm -f "$work/log"
  "$sim" --link "$work/COM1" --log "$work/log" --state "$work/state" "$@" > >(stamped > "$work/sim.out") 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do grep -q ready "$work/sim.out" 2>/dev/null && return; sleep 0.1; done
  fail "simulator did not start: $(cat "$work/sim.out")"
}

stop_sim() {
  [ -n "$sim_pid" ] || return 0
  kill -TERM "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  sim_pid=
}
