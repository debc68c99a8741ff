#!/usr/bin/env bash
# q4t against the virtual keyboard over a pseudo-terminal, with real threads and time.
set -u
q4t=$1 sim=$2 source_dir=$3
work=$(mktemp -d)
export Q4T_PORT_DIR=$work
export XDG_DATA_HOME=$work/data
. "$(dirname "$0")/virtual_keyboard.sh"
trap 'stop_sim; rm -rf "$work"' EXIT

# expect STATUS LAST-LINE command...: exit status and the last status text
expect() {
  local want_status=$1 want_last=$2; shift 2
  "$@" > "$work/out" 2> "$work/err"
  local status=$?
  local last
  last=$(grep -E '^(OK|ERROR): ' "$work/err" | tail -n 1)
  ! grep -qE '^(OK|ERROR): ' "$work/out" || fail "$* printed status texts on stdout"
  [ "$status" = "$want_status" ] || fail "$* exited $status, wanted $want_status ($(cat "$work/err"))"
  [ "$last" = "$want_last" ] || fail "$* ended with '$last', wanted '$want_last'"
}

cd "$work" || exit 1
cp "$source_dir/DefTable.q4t" .
sed -e '/^\[3\]$/,/^$/ s/^SIZE=1$/SIZE=2/' -e '/^\[3\]$/,/^$/ s/^VALUE=4$/VALUE=40/' \
    -e '/^\[4\]$/,/^$/ s/^SIZE=1$/SIZE=0/' -e '/^\[4\]$/,/^$/ s/^COUNTER=144$/COUNTER=7/' DefTable.q4t > mine.q4t

start_sim
expect 0 "OK: Keyboard connected" "$q4t" connect --port COM1
[ "$(grep -c "OK: Keyboard connected" err)" = 1 ] || fail "connect reported more than once: $(cat err)"
connect_log="02 07 09 01 03 01 E9
02 07 01 01 03 01 F1
02 07 02 01 03 01 F0
02 07 03 01 03 01 EF
02 07 01 01 01 01 F3
02 07 02 01 01 01 F2
02 07 03 01 01 01 F1"
[ "$(cat "$work/log")" = "$connect_log" ] || fail "connect sequence on the wire: $(cat "$work/log")"

expect 0 "OK: Download and verify successful" "$q4t" download --port COM1 mine.q4t
stop_sim
start_sim  # a new run of the keyboard keeps what was downloaded
expect 0 "OK: Upload successful" "$q4t" upload --port COM1 back.q4t
"$q4t" show mine.q4t > mine.txt
"$q4t" show back.q4t > back.txt
cmp -s mine.txt back.txt || fail "upload after download differs: $(diff mine.txt back.txt)"

# upload into a table with labels: they stay on the keys the keyboard holds as
# the file did (0, the double key 3), not on 5 (another value) or the covered 4
sed -e '/^\[0\]$/a LABEL=Bar' -e '/^\[3\]$/a LABEL=Double' -e '/^\[4\]$/a LABEL=Hidden' \
    -e '/^\[5\]$/a LABEL=Wrong' -e '/^\[5\]$/,/^$/ s/^VALUE=6$/VALUE=66/' mine.q4t > labelled.q4t
expect 0 "OK: Upload successful" "$q4t" upload --port COM1 labelled.q4t
"$q4t" show labelled.q4t | sed -n '/^key  value  label$/,$p' > labels.txt
printf 'key  value  label\n  0      1  Bar\n  3     40  Double\n' | cmp -s - labels.txt ||
  fail "labels after upload into a labelled table: $(cat labels.txt)"

expect 0 "OK: Keyboard connected" "$q4t" read-tco --port COM1 --json
grep -q '{"number": 7, "name": "Key counter", "key": 4, ' out || fail "read-tco does not show counter 7 on key 4: $(cat out)"
grep -q '"serialNumber": "Q4T-' out || fail "read-tco shows no serial number"
python3 -m json.tool out > /dev/null || fail "read-tco --json is not JSON alone: $(cat out)"
expect 0 "OK: California driver license changed" "$q4t" license --port COM1 on
expect 0 "OK: Keyboard connected" "$q4t" read-tco --port COM1
grep -q 'California driver license: on' out || fail "licence not switched on: $(cat out)"

start_sim --silent-always
expect 1 "ERROR: COM port" "$q4t" connect --port COM1
[ "$(grep -c . "$work/log")" = 3 ] || fail "a silent keyboard was not asked three times"
grep -qx "ERROR: Transfer Timeout" err || fail "no time-out text"

"$q4t" connect --port COM1 > /dev/null 2>&1 &  # a silent keyboard keeps it waiting
q4t_pid=$!
sleep 0.5
kill -TERM "$q4t_pid"
wait "$q4t_pid"
status=$?
[ "$status" = 143 ] || fail "SIGTERM ended q4t with $status, wanted 143"

start_sim --error-status 128 --error-count 3
expect 1 "ERROR: COM port" "$q4t" connect --port COM1
grep -qx "ERROR: Transfer aborted" err || fail "no abort text"

start_sim --corrupt-readback 50
expect 1 "ERROR: COM port" "$q4t" download --port COM1 mine.q4t
grep -qx "ERROR: Verify failed" err || fail "no verify failure"

# compare FILE: the table just uploaded to back.q4t equals FILE
compare() {
  "$q4t" show "$1" > want.txt
  "$q4t" show back.q4t > back.txt
  cmp -s want.txt back.txt || fail "$fault: upload differs from $1: $(diff want.txt back.txt | head -n 6)"
}

# Every fault of the keyboard, for both directions: what the keyboard holds
# afterwards is what was downloaded, and what is uploaded is what it holds.
sed -e '/^\[10\]$/,/^$/ s/^VALUE=11$/VALUE=99/' mine.q4t > other.q4t
for fault in --split-replies --double-replies "--stray-byte 2" "--bad-checksum 2" "--silent 2" \
    "--error-status 128 --error-count 2" "--busy-units 2" --pace; do
  # shellcheck disable=SC2086
  start_sim $fault
  for table in other.q4t mine.q4t; do
    expect 0 "OK: Download and verify successful" "$q4t" download --port COM1 $table
    expect 0 "OK: Upload successful" "$q4t" upload --port COM1 back.q4t
    compare $table
  done
done

fault=--double-replies  # a doubled answer is taken only for the request it followed
start_sim $fault
for _ in 1 2 3 4 5; do
  expect 0 "OK: Upload successful" "$q4t" upload --port COM1 back.q4t
  compare mine.q4t
done

# Ctrl+C in the middle of a download: the keyboard leaves transfer mode first
start_sim --pace
"$q4t" download --port COM1 mine.q4t > out 2> err &
q4t_pid=$!
for _ in $(seq 50); do [ "$(grep -c '^02 36 09' "$work/log" 2>/dev/null)" -ge 1 ] && break; sleep 0.1; done
kill -INT $q4t_pid
wait $q4t_pid
status=$?
[ "$status" = 130 ] || fail "an interrupted download exited $status"
[ "$(tail -n 3 "$work/log" | cut -c1-17 | tr '\n' ' ')" = "02 07 01 01 01 01 02 07 02 01 01 01 02 07 03 01 01 01 " ] ||
  fail "an interrupted download left the keyboard in transfer mode: $(tail -n 4 "$work/log")"

fault="keyboard killed"  # the receive thread stops waiting, q4t says why and spends no processor time
start_sim --pace
TIMEFORMAT=%U+%S
{ time "$q4t" upload --port COM1 back.q4t > out 2> err; } 2> cpu &
sleep 0.5
stop_sim
wait
grep -q "device went away" err || fail "a vanished keyboard is not named: $(cat err)"
awk -v spent="$(cat cpu)" 'BEGIN { split(spent, part, "+"); exit !(part[1] + part[2] < 0.5) }' || fail "q4t spent $(cat cpu) s of processor time on a vanished keyboard"

start_sim --pace --stray-byte 1  # the discarded reply's tail arrives on its own
expect 0 "OK: Keyboard connected" "$q4t" connect --port COM1

# a main unit busy at every try: the greeting is refused, nothing is reported connected
start_sim --busy-units 9
for command in connect "download mine.q4t"; do
  started=$SECONDS
  # shellcheck disable=SC2086
  expect 1 "ERROR: COM port" "$q4t" $command --port COM1
  grep -qx "ERROR: Transfer aborted" err || fail "$command on a busy main unit: $(cat err)"
  ! grep -q "OK: Keyboard connected" err || fail "$command on a busy main unit reported connected"
  [ $((SECONDS - started)) -lt 10 ] || fail "$command on a busy main unit took $((SECONDS - started)) s"
done

start_sim --busy-units 1
expect 0 "OK: Keyboard connected" "$q4t" read-tco --port COM1
start_sim --busy-units 0  # status 35 to every try of the device details query ends the transfer
started=$SECONDS
expect 1 "ERROR: COM port" "$q4t" read-tco --port COM1 --timeout 30
grep -qx "ERROR: Transfer aborted" err || fail "a busy unit 0 is not reported: $(cat err)"
! grep -q "stalled" err || fail "a busy unit 0 waited for the overall time-out: $(cat err)"
[ $((SECONDS - started)) -lt 10 ] || fail "a busy unit 0 took $((SECONDS - started)) s"

# a file that is no key table is refused before anything reaches the keyboard
start_sim
mkdir -p notatable.q4t
printf 'garbage\n' > garbage.q4t
for table in notatable.q4t garbage.q4t /dev/null; do
  expect 2 "" "$q4t" download --port COM1 "$table"
  grep -q "^q4t: $table: " err || fail "download $table: the refusal does not name the file: $(cat err)"
done
[ ! -s "$work/log" ] || fail "a refused table reached the keyboard: $(cat "$work/log")"
ln -sf "$work/COM1" relative-port
expect 0 "OK: Keyboard connected" "$q4t" connect --port ./relative-port

expect 2 "" "$q4t" connect
expect 1 "ERROR: Connect to keyboard" "$q4t" connect --port COM9
grep -q "^q4t: cannot open /dev/ttyS8: " err || fail "the failed open does not name the device: $(cat err)"
! grep -q "dialout" err || fail "a missing device is not a missing permission: $(cat err)"
# a device the user may not open: the reason and how to get the permission
touch denied && chmod 000 denied
as_user=()
[ "$(id -u)" != 0 ] || as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
expect 1 "ERROR: Connect to keyboard" "${as_user[@]}" "$q4t" connect --port "$work/denied"
grep -q "^q4t: cannot open $work/denied: Permission denied" err || fail "no reason for a refused open: $(cat err)"
grep -qF "sudo adduser \$USER dialout, then log in again" err || fail "no hint at the dialout group: $(cat err)"

# the longest --timeout documented is taken, one second more is refused
expect 0 "OK: Keyboard connected" "$q4t" connect --port COM1 --timeout 604800
for bad in 604801 0; do expect 2 "" "$q4t" connect --port COM1 --timeout $bad; done

# Each Download keeps the keyboard's table first; a dry run and a Download
# whose table cannot be kept write nothing to the keyboard.
writes() { grep -c '^.. .. .. .. 0A' "$work/log"; }
kept() { find "$XDG_DATA_HOME" -name '*.q4t' 2>/dev/null | wc -l; }
start_sim
rm -rf "$XDG_DATA_HOME"
expect 0 "OK: Download and verify successful" "$q4t" download --port COM1 "$source_dir/docs/cafe.q4t"
[ "$(kept)" = 2 ] || fail "a download kept $(kept) tables, wanted before and written"
first_write=$(grep -n '^.. .. .. .. 0A' "$work/log" | head -n 1 | cut -d: -f1)
[ "$(head -n "$first_write" "$work/log" | grep -cE '^.. .. .. .. 09 0E (A0|B7)')" = 2 ] ||
  fail "the keyboard's sizes were not read before the first write"
start_sim
expect 0 "OK: Keyboard connected" "$q4t" download --port COM1 --dry-run "$source_dir/DefTable.q4t"
[ "$(writes)" = 0 ] || fail "a dry run wrote to the keyboard"
grep -q "double keys" "$work/out" || fail "a dry run did not list the changes: $(cat "$work/out")"
for command in upload read-tco; do expect 2 "" "$q4t" $command --port COM1 --dry-run; done
expect 0 "OK: Download and verify successful" "$q4t" download --port COM1 --no-snapshot mine.q4t
[ "$(kept)" = 2 ] || fail "a dry run or --no-snapshot kept a table"
start_sim
touch "$work/not-a-folder"
XDG_DATA_HOME=$work/not-a-folder expect 1 "OK: Keyboard connected" "$q4t" download --port COM1 mine.q4t
[ "$(writes)" = 0 ] || fail "a table that could not be kept was overwritten"
grep -q "^q4t: nothing was written" "$work/err" || fail "no reason when keeping failed: $(cat "$work/err")"

# out of time near the end (a paced download takes a little over a second):
# the stall is reported, the download never called successful
start_sim --pace
expect 1 "ERROR: COM port" "$q4t" download --port COM1 mine.q4t --no-snapshot --timeout 1
grep -qx "ERROR: Transfer stalled" err || fail "download in 1 s: no stall reported: $(cat err)"
! grep -q "^OK: Download" err || fail "download in 1 s reported success: $(cat err)"

stop_sim
echo "$((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
exit $((failures == 0 ? 0 : 1))
