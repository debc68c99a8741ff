#!/usr/bin/env bash
# q4t.exe under Wine against the virtual keyboard, whose pseudo-terminal Wine
# sees as COM5 (HKLM\Software\Wine\Ports): each command ends with the exit
# status and status text of the Linux q4t, and puts the same bytes on the wire.
# Also the refused ports and file names, the speed and the idle processor time.
set -u
q4t_exe=$1 q4t=$2 sim=$3 source_dir=$4 wine=$5
work=$(mktemp -d)
export Q4T_PORT_DIR=$work XDG_DATA_HOME=$work/data WINEDEBUG=-all
. "$(dirname "$0")/virtual_keyboard.sh"
wineserver=$(dirname "$wine")/wineserver64
trap 'stop_sim; "$wineserver" -k; rm -rf "$work"' EXIT

windows() { "$wine" "$q4t_exe" "$@"; }

# run NAME command...: its status, status texts (stderr, without carriage
# returns) and stdout kept as NAME.*.
run() {
  local name=$1; shift
  "$@" > "$work/$name.out" 2> "$work/$name.err"
  echo $? > "$work/$name.status"
  tr -d '\r' < "$work/$name.err" > "$work/$name.text"
  tr -d '\r' < "$work/$name.out" > "$work/$name.stdout"
}

last_status_text() { grep -E '^(OK|ERROR): ' "$work/$1.text" | tail -n 1; }

# same LABEL SIM-OPTIONS -- ARGS...: the Linux q4t on COM1, then q4t.exe on COM5,
# each against a fresh keyboard with the same memory.
same() {
  local label=$1; shift
  local sim_options=()
  while [ "$1" != -- ]; do sim_options+=("$1"); shift; done
  shift
  cp "$work/state.start" "$work/state" 2>/dev/null
  start_sim "${sim_options[@]}"
  run linux "$q4t" "$@" --port COM1
  stop_sim  # the keyboard's log is whole once it has stopped
  cp "$work/log" "$work/linux.wire"
  cp "$work/state.start" "$work/state" 2>/dev/null
  start_sim "${sim_options[@]}"
  run windows windows "$@" --port COM5
  stop_sim
  cp "$work/log" "$work/windows.wire"
  [ "$(cat "$work/linux.status")" = "$(cat "$work/windows.status")" ] ||
    fail "$label: exit $(cat "$work/windows.status") on Windows, $(cat "$work/linux.status") on Linux: $(cat "$work/windows.text")"
  [ "$(last_status_text linux)" = "$(last_status_text windows)" ] ||
    fail "$label: '$(last_status_text windows)' on Windows, '$(last_status_text linux)' on Linux"
  cmp -s "$work/linux.wire" "$work/windows.wire" ||
    fail "$label: the wire differs: $(diff "$work/linux.wire" "$work/windows.wire" | head -n 4)"
}

cd "$work" || exit 1
cp "$source_dir/DefTable.q4t" .
sed -e '/^\[3\]$/,/^$/ s/^SIZE=1$/SIZE=2/' -e '/^\[3\]$/,/^$/ s/^VALUE=4$/VALUE=40/' DefTable.q4t > mine.q4t
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$work/COM1" /f > /dev/null 2>&1 || fail "COM5 not mapped"
# Wine takes the new port when it starts again; its server and services start
# here, so that they keep none of the outputs below open.
"$wineserver" -k
"$wineserver" -p < /dev/null > /dev/null 2>&1
"$wine" reg query 'HKLM\Software\Wine\Ports' < /dev/null > /dev/null 2>&1

start_sim
stop_sim
cp "$work/state" "$work/state.start" 2>/dev/null || :

run help windows --help
grep -q 'in %LOCALAPPDATA%\\q4t-programmer\\keyboards\.' help.stdout && ! grep -q '/dev' help.stdout ||
  fail "--help on Windows names the Linux places: $(cat help.stdout)"
same connect -- connect
[ "$(grep -c 'OK: Keyboard connected' "$work/windows.text")" = 1 ] || fail "connect on Windows: $(cat "$work/windows.text")"
same download -- download --no-snapshot mine.q4t
same "download keeping the keyboard's table" -- download mine.q4t
ls "$WINEPREFIX"/drive_c/users/*/AppData/Local/q4t-programmer/keyboards/*/*.q4t > /dev/null 2>&1 ||
  fail "download kept no table under %LOCALAPPDATA%"
same upload -- upload back.q4t
"$q4t" diff back.q4t mine.q4t > /dev/null 2>&1 && fail "upload: the keyboard's fresh table reads as mine.q4t"
same read-tco -- read-tco
cmp -s "$work/linux.stdout" "$work/windows.stdout" || fail "read-tco prints otherwise: $(diff "$work/linux.stdout" "$work/windows.stdout" | head -n 4)"
same "silent keyboard" --silent-always -- connect --timeout 30
same "refused greeting" --error-status 128 --error-count 3 -- connect
same "wrong read-back" --corrupt-readback 50 -- download --no-snapshot mine.q4t

# A roll-out of two keyboards, the second plugged in after the first: one
# line each in the log, with its serial number and the port's Windows name.
start_sim --serial W-01 --replace-after-download 1
run rollout windows rollout mine.q4t --port COM5 --log roll.csv --count 2
stop_sim
[ "$(cat rollout.status)" = 0 ] || fail "rollout exited $(cat rollout.status): $(cat rollout.text)"
for serial in W-01 W-02; do
  grep -q "^[^,]*,COM5,$serial,.*,OK: Download and verify successful," roll.csv ||
    fail "rollout: no line for $serial in: $(cat roll.csv)"
done
[ "$(wc -l < roll.csv)" = 3 ] || fail "rollout: the log holds $(wc -l < roll.csv) lines, wanted the header and two"

# A keyboard that hangs up in the middle of an upload, after its third block.
for side in linux windows; do
  start_sim --pace
  if [ $side = linux ]; then command=("$q4t" upload --port COM1); else command=(windows upload --port COM5); fi
  "${command[@]}" hung.q4t > "$work/$side.out" 2> "$work/$side.err" &
  pid=$!
  for _ in $(seq 200); do [ "$(grep -c '^02 09 09' "$work/log" 2>/dev/null)" -ge 3 ] && break; sleep 0.02; done
  stop_sim
  wait $pid
  echo $? > "$work/$side.status"
  tr -d '\r' < "$work/$side.err" > "$work/$side.text"
done
[ "$(cat linux.status)" = "$(cat windows.status)" ] || fail "hang-up: exit $(cat windows.status), on Linux $(cat linux.status)"
[ "$(last_status_text linux)" = "$(last_status_text windows)" ] ||
  fail "hang-up: '$(last_status_text windows)' on Windows, '$(last_status_text linux)' on Linux"
grep -q "device went away" windows.text || fail "hang-up on Windows not named: $(cat windows.text)"
[ ! -e hung.q4t ] || fail "a hung-up upload wrote its file"

# Ports Windows has not: exit 1, a message, nothing sent. (Wine lets a second
# program open a port, so a port held by another one is left to the unit test.)
start_sim
expect_refused() {
  local want=$1; shift
  : > "$work/log"
  run refused windows "$@"
  [ "$(cat refused.status)" = 1 ] || fail "$* exited $(cat refused.status), wanted 1"
  grep -qF "$want" refused.text || fail "$*: no '$want' in: $(cat refused.text)"
  [ ! -s "$work/log" ] || fail "$* sent to the keyboard"
}
expect_refused "COM0: no such port" connect --port COM0
expect_refused "COM257: no such port" connect --port COM257
expect_refused "COM1 to COM256" connect --port 'C:\ports\keyboard'
expect_refused "COM1 to COM256" connect --port /dev/ttyS0
expect_refused "COM23:" connect --port COM23
stop_sim

# File names Windows refuses: exit 2 before the port is taken.
long=$(printf 'd%.0s' $(seq 250))/table.q4t
for name in 'a<b.q4t' 'NUL.q4t' 'tab:le.q4t' "$long"; do
  run badname windows upload --port COM5 "$name"
  [ "$(cat badname.status)" = 2 ] || fail "upload to '${name:0:20}' exited $(cat badname.status), wanted 2"
  [ ! -e "$name" ] || fail "upload to '${name:0:20}' made the file"
  run badname windows show "$name"
  [ "$(cat badname.status)" = 2 ] || fail "show '${name:0:20}' exited $(cat badname.status), wanted 2"
done

# Speed at 9600 baud, the better of two runs each so that other work on the
# machine weighs less: the whole command, and the span from its first request
# to its last as the keyboard saw them, against the Linux q4t's.
better() {  # better VARIABLE SECONDS: keeps the smaller
  [ -n "${!1:-}" ] && awk -v t="$2" -v b="${!1}" 'BEGIN { exit !(t >= b) }' || printf -v "$1" '%s' "$2"
}
for command in "download --no-snapshot mine.q4t" "upload paced.q4t"; do
  for side in linux windows linux windows; do
    start_sim --pace --verbose
    start=$(date +%s.%N)
    if [ $side = linux ]; then "$q4t" $command --port COM1 > timed.out 2>&1; else windows $command --port COM5 > timed.out 2>&1; fi
    status=$?
    end=$(date +%s.%N)
    stop_sim
    sleep 0.2  # the last stamped lines
    [ $status = 0 ] || { fail "${command%% *} on $side for the speed: $(tr -d '\r' < timed.out)"; continue; }
    better "${side}_time" "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')"
    better "${side}_span" "$(awk '/ request: / { if (!first) first = $1; last = $1 } END { printf "%.3f", last - first }' sim.out)"
  done
  ratio=$(awk -v w="$windows_time" -v l="$linux_time" 'BEGIN { printf "%.2f", w / l }')
  span_ratio=$(awk -v w="$windows_span" -v l="$linux_span" 'BEGIN { printf "%.3f", w / l }')
  echo "speed: ${command%% *}: Linux ${linux_time} s, Windows under Wine ${windows_time} s (${ratio} x, Wine's" \
       "start included); first to last request ${linux_span} s and ${windows_span} s: ${span_ratio} x"
  # The requests follow each other about as fast as on Linux (1.01 x on a
  # quiet machine; Wine's server calls weigh more under load, hence 1.10);
  # the whole command is bound loosely, since Wine's start varies with load.
  awk -v r="$span_ratio" 'BEGIN { exit !(r <= 1.10) }' || fail "${command%% *}: requests ${span_ratio} x as far apart as on Linux"
  awk -v r="$ratio" 'BEGIN { exit !(r <= 1.35) }' || fail "${command%% *} took ${ratio} x the Linux time under Wine"
  unset linux_time windows_time linux_span windows_span
done

# The receive thread waiting for a keyboard that never answers, the less of
# two seconds of the wait (Wine's own start left out): about half a percent
# of a processor on a quiet machine, Wine's server as much again (shown
# beside it); bound at 3 %, which other work on the machine stays under and
# a thread that spins or looks every millisecond does not.
busy() {  # processor time of a process's threads so far, in nanoseconds
  cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%d", sum }'
}
share() { awk -v ns="$1" 'BEGIN { printf "%.2f", 100 * ns / 1e9 }'; }
start_sim --silent-always
windows connect --port COM5 --timeout 30 > /dev/null 2>&1 &
waiting=$!
sleep 0.6
program=$(pgrep -f 'q4t\.exe connect' | head -n 1)
server=$(pgrep -f "wineserver.*" -n)
program_share=100 server_share=0
for second in 1 2; do
  program_before=$(busy "$program") server_before=$(busy "$server")
  sleep 1
  this_share=$(share $(($(busy "$program") - program_before)))
  if awk -v a="$this_share" -v b="$program_share" 'BEGIN { exit !(a < b) }'; then
    program_share=$this_share
    server_share=$(share $(($(busy "$server") - server_before)))
  fi
done
wait $waiting
stop_sim
echo "idle: q4t.exe used $program_share % of a processor waiting for a silent keyboard, Wine's server $server_share %"
awk -v share="$program_share" 'BEGIN { exit !(share < 3) }' || fail "q4t.exe used $program_share % of a processor waiting"

echo "$failures failed"
[ "$failures" = 0 ]
