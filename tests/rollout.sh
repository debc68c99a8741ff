#!/usr/bin/env bash
# q4t rollout against virtual keyboards that are replaced after each
# download: ten keyboards on two ports, Ctrl+C in the middle of a download,
# and what is refused before any keyboard is touched.
set -u
q4t=$1 sim=$2 source_dir=$3
work=$(mktemp -d)
export Q4T_PORT_DIR=$work XDG_DATA_HOME=$work/data
failures=0
sim_pids=()

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# start_sim PORT OPTION...: a keyboard on COM<PORT>, its requests in sim<PORT>.log
start_sim() {
  local port=$1; shift
  rm -f "$work/sim$port.log"
  "$sim" --link "$work/COM$port" --log "$work/sim$port.log" "$@" > "$work/sim$port.out" 2>&1 &
  sim_pids+=($!)
  for _ in $(seq 50); do grep -q ready "$work/sim$port.out" 2>/dev/null && return; sleep 0.1; done
  fail "simulator did not start: $(cat "$work/sim$port.out")"
}

stop_sims() {
  for pid in "${sim_pids[@]}"; do kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  sim_pids=()
}
trap 'stop_sims; rm -rf "$work"' EXIT
cd "$work" || exit 1
cp "$source_dir/docs/cafe.q4t" .

# Ten keyboards on two ports, one line each, in the log and on standard output.
start_sim 1 --serial "SN 00123" --replace-after-download 4
start_sim 2 --serial 'Q4T,"B"-0500' --replace-after-download 4
"$q4t" rollout cafe.q4t --port COM1 --port COM2 --log log.csv --count 10 > out 2> err
status=$?
[ "$status" = 0 ] || fail "ten keyboards: exit $status ($(cat err))"
[ "$(grep -c '  OK: Download and verify successful  ' out)" = 10 ] || fail "ten keyboards: $(cat out)"
[ "$(tail -n 1 out)" = "10 keyboards: 10 verified, 0 failed" ] || fail "totals: $(tail -n 1 out)"
grep -qx 'COM1  SN SN 00127  OK: Download and verify successful  [0-9.]* s' out || fail "the fifth on COM1: $(cat out)"
[ "$(wc -l < log.csv)" = 11 ] || fail "log lines: $(cat log.csv)"
head -n 1 log.csv | cmp -s - <(printf 'time,port,serial number,table file,table SHA-256,result,seconds,snapshot file\r\n') ||
  fail "log header: $(head -n 1 log.csv)"
grep -q '^[0-9T:-]*[+-][0-9][0-9]:[0-9][0-9],COM2,"Q4T,""B""-0504",'"$work"'/cafe.q4t,[0-9a-f]\{64\},OK: Download and verify successful,[0-9.]*,' log.csv ||
  fail "the fifth on COM2 is not logged with its quoted serial number: $(cat log.csv)"
[ "$(grep -o ',[0-9a-f]\{64\},' log.csv | sort -u | wc -l)" = 1 ] || fail "one fingerprint for all: $(cat log.csv)"

# An existing log is added to; Ctrl+C in the middle of a download takes the
# keyboard out of transfer mode, logs it as stopped and ends with status 1.
stop_sims
start_sim 1 --pace
"$q4t" rollout cafe.q4t --port COM1 --log log.csv > out 2> err &
q4t_pid=$!
for _ in $(seq 50); do [ "$(grep -c '^02 36 09' sim1.log 2>/dev/null)" -ge 1 ] && break; sleep 0.1; done
kill -INT $q4t_pid
wait $q4t_pid
status=$?
[ "$status" = 1 ] || fail "Ctrl+C during a download: exit $status"
[ "$(tail -n 3 sim1.log | cut -c1-17 | tr '\n' ' ')" = "02 07 01 01 01 01 02 07 02 01 01 01 02 07 03 01 01 01 " ] ||
  fail "Ctrl+C left the keyboard in transfer mode: $(tail -n 4 sim1.log)"
grep -q '^COM1  SN Q4T-0001234  ERROR: Stopped during the download  ' out || fail "Ctrl+C line: $(cat out)"
[ "$(tail -n 1 out)" = "1 keyboard: 0 verified, 1 failed" ] || fail "Ctrl+C totals: $(cat out)"
[ "$(wc -l < log.csv)" = 12 ] || fail "the log was not added to: $(cat log.csv)"

# Refused before any keyboard is touched (exit 2, one line naming the cause).
stop_sims
start_sim 1
sed -e '/^\[3\]$/,/^$/ s/^VALUE=.*$/VALUE=300/' cafe.q4t > toolarge.q4t
mkdir folder
refuse() {  # refuse REASON ARGUMENT...
  local reason=$1; shift
  "$q4t" rollout "$@" > out 2> err
  local status=$?
  [ "$status" = 2 ] || fail "$*: exit $status"
  grep -qF "$reason" err || fail "$*: wanted '$reason', got: $(cat err)"
}
refuse "q4t: cannot write the log folder: not a regular file" cafe.q4t --port COM1 --log folder
refuse "q4t: cannot write the log cafe.q4t: not a roll-out log" cafe.q4t --port COM1 --log cafe.q4t
refuse "/toolarge.q4t: key 3: VALUE=300 (the keyboard holds 0 to 255)" toolarge.q4t --port COM1 --log new.csv
refuse "q4t: cannot open $work/COM7: No such file or directory" cafe.q4t --port COM1 --port "$work/COM7" --log new.csv
refuse "q4t: --log FILE is required" cafe.q4t --port COM1
refuse "q4t: --count needs a whole number of keyboards from 1 to 1000000" cafe.q4t --port COM1 --log new.csv --count 0
refuse "q4t: rollout takes one key table file" --port COM1 --log new.csv
[ ! -s sim1.log ] || fail "a refused roll-out reached the keyboard: $(cat sim1.log)"
[ ! -e new.csv ] || fail "a refused roll-out left a log behind"

# The counter readings as CSV, for a service report.
start_sim 3 --serial 'SN "7", east'
"$q4t" read-tco --port COM3 --csv > out 2> err || fail "read-tco --csv: $(cat err)"
printf 'serial number,"SN ""7"", east"\r\ndate of manufacture,20230115\r\ndate of programming,20230120\r\ncounter,key location,label,reading\r\n0,All keys,,16909060\r\n' |
  cmp -s - <(head -n 5 out) || fail "read-tco --csv starts with: $(head -n 5 out)"
[ "$(sed -n '11,12p' out)" = "$(printf '6,5,,6007\r\n7,40,,7007\r')" ] || fail "read-tco --csv key counters: $(sed -n '11,12p' out)"
[ "$(wc -l < out)" = 34 ] || fail "read-tco --csv lines: $(wc -l < out)"
"$q4t" read-tco --port COM3 --csv --json > out 2> err
[ $? = 2 ] && grep -q "q4t: --json and --csv exclude each other" err || fail "--csv with --json: $(cat err)"

[ "$failures" = 0 ] && echo "all roll-out checks passed"
exit $((failures > 0))
