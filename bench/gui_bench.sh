#!/usr/bin/env bash
# The desktop program's figures, Release build, on a virtual display (not run
# by CI):
#  (a) start to the main window on screen, median of 5 starts;
#  (b) peak memory of a session: start, Connect, 10 s idle, Download, Upload;
#  (c) CPU time of the linked window idle for 10 s;
#  (d) Download and Upload against the virtual keyboard pacing at 9600 baud,
#      timed from the toolbar click to the keyboard's answer to the last
#      request of the transfer, against what the request and reply bytes alone
#      need on the line (10 bits a byte at 9600 baud: 1.04 ms a byte).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${Q4T_BENCH_BUILD:-build-release}

now() { echo "$EPOCHREALTIME"; }  # bash's clock: no process started per reading

# Waits until the stamped keyboard output has stopped growing for 2 s, so
# that a transfer and the requests it runs on after its status text are done.
wait_quiet() {
  local lines=-1 count
  while true; do
    sleep 2
    count=$(wc -l < "$work/stamped")
    [ "$count" -eq "$lines" ] && return
    lines=$count
  done
}

# Seconds from $1 to the last answered request, and the line time of the
# request and reply bytes after line $2 of the stamped keyboard output.
transfer_figures() {
  tail -n +"$(($2 + 1))" "$work/stamped" | awk -v start="$1" -v name="$3" '
    $2 == "request:" { last = $1; bytes += NF - 2; requests++ }
    $2 == "reply:" { bytes += NF - 2 }
    END {
      took = last - start; bound = bytes * 10 / 9600
      printf "(d) %s: %d requests, %d bytes, %.3f s, line bound %.3f s, ratio %.2f\n",
             name, requests, bytes, took, bound, took / bound
    }'
}

click_toolbar() {  # the toolbar buttons' places in the main window
  local x
  case $1 in download) x=82 ;; upload) x=107 ;; port) x=157 ;; esac
  xdotool mousemove --window "$main" "$x" 35 click 1
}

if [ "${1:-}" = --on-display ]; then
  # (a) Polled without xdotool's --sync, which looks only every half second,
  # and with short pauses, so that the polling leaves the program the CPU.
  for _ in 1 2 3 4 5; do
    start=$(now)
    "$build/q4t-programmer" 2>/dev/null &
    program=$!
    until xdotool search --onlyvisible --name "^Dev Izured" >/dev/null; do sleep 0.005; done
    echo "$(now) $start" | awk '{ printf "%.0f\n", ($1 - $2) * 1000 }' >> "$work/starts"
    kill "$program"; wait "$program" 2>/dev/null || true
  done
  echo "(a) start to main window shown: $(sort -n "$work/starts" | sed -n 3p) ms" \
       "(median; all: $(tr '\n' ' ' < "$work/starts"))"

  /usr/bin/time -v -o "$work/time" "$build/q4t-programmer" 2>/dev/null &
  timer=$!
  main=$(xdotool search --sync --onlyvisible --name "^Dev Izured" | head -n 1)
  program=$(ps -o pid= --ppid "$timer" | tr -d ' ')
  click_toolbar port
  dialog=$(xdotool search --sync --name "Connect to COM Port" | head -n 1)
  xdotool windowfocus --sync "$dialog" key Return
  wait_quiet

  ticks() { awk '{ print $14 + $15 }' "/proc/$program/stat"; }
  before=$(ticks); sleep 10; after=$(ticks)
  echo "(c) linked and idle 10 s: $(( (after - before) * 1000 / $(getconf CLK_TCK) )) ms CPU time"

  for transfer in download upload; do
    from=$(wc -l < "$work/stamped")
    start=$(now)
    click_toolbar "$transfer"
    wait_quiet
    transfer_figures "$start" "$from" "$transfer"
  done

  kill "$program"; wait "$timer" 2>/dev/null || true
  awk -F': ' '/Maximum resident set size/ { printf "(b) peak memory of the session: %.1f MB\n", $2 / 1024 }' "$work/time"
  exit 0
fi

scripts/install-deps.sh xvfb xauth xdotool time
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQ4T_GUI=ON >/dev/null
cmake --build "$build" -j2 --target q4t-programmer q4t-keyboard-sim

work=$(mktemp -d)
export work
sim=
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT

# The keyboard's verbose lines, each stamped with the time it came out: a
# request line comes once the request has been answered.
export Q4T_PORT_DIR=$work
# Settings and kept tables of the bench's own; Download without its preview,
# so that the figure is the keeping read and the write alone.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$XDG_CONFIG_HOME/Local AppWizard-Generated Applications"
printf '[Download]\nshowChanges=false\n' \
  > "$XDG_CONFIG_HOME/Local AppWizard-Generated Applications/Dev Izured for Q4T Keyboard.conf"
"$build/sim/q4t-keyboard-sim" --link "$work/COM1" --pace --verbose \
  > >(while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done > "$work/stamped") 2>&1 &
sim=$!
until grep -q ' ready$' "$work/stamped" 2>/dev/null; do sleep 0.1; done

xvfb-run -a -s "-screen 0 700x620x24" "$0" --on-display
