#!/usr/bin/env bash
# Makes the README's picture docs/main-window.png from the program itself, on
# a virtual X display: a table with merged keys and a TCO counter, one key
# changed by hand (red), and the link to the virtual keyboard made.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${Q4T_BUILD_DIR:-build}  # another folder for developers who keep their own builds

if [ "${1:-}" = --on-display ]; then
  # Second half, run inside xvfb-run with $work prepared by the first half.
  "$build/q4t-programmer" "$work/example.q4t" &
  program=$!
  main=$(xdotool search --sync --name "Dev Izured" | head -n 1)
  sleep 1  # the first paint
  # The key showing 60: change its value to 88, so it shows red.
  xdotool mousemove --window "$main" 188 157 click 1
  dialog=$(xdotool search --sync --name "Change Key Value" | head -n 1)
  xdotool windowfocus --sync "$dialog" type --delay 50 88
  xdotool key Return
  sleep 0.5
  # Port on the toolbar, then Connect, the dialog's default button.
  xdotool mousemove --window "$main" 157 35 click 1
  dialog=$(xdotool search --sync --name "Connect to COM Port" | head -n 1)
  xdotool windowfocus --sync "$dialog" key Return
  # Connect is a run of requests; once the keyboard's log stops growing the
  # program has shown "OK: Keyboard connected".
  lines=-1
  for _ in $(seq 50); do
    sleep 0.5
    now=$(wc -l < "$work/keyboard.log")
    [ "$now" -gt 0 ] && [ "$now" -eq "$lines" ] && break
    lines=$now
  done
  eval "$(xdotool getwindowgeometry --shell "$main")"
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage docs/main-window.png
  kill "$program"
  exit 0
fi

scripts/install-deps.sh xvfb xauth imagemagick xdotool
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ4T_GUI=ON >/dev/null
cmake --build "$build" -j2 --target q4t-programmer q4t-keyboard-sim

work=$(mktemp -d)
export work
sim=
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT

# DefTable.q4t with key 0 merged with key 1 to the right, key 54 merged with
# 55, 36 and 37 into a quadruple, and counter 6 on key 20.
awk '
  BEGIN { key = -1 }
  /^\[/ { key = substr($0, 2, length($0) - 2) + 0 }
  /^SIZE=/ && key == 0 { $0 = "SIZE=2" }
  /^SIZE=/ && (key == 1 || key == 55 || key == 36 || key == 37) { $0 = "SIZE=0" }
  /^SIZE=/ && key == 54 { $0 = "SIZE=14" }
  /^COUNTER=/ && key == 20 { $0 = "COUNTER=6" }
  { print }
' DefTable.q4t > "$work/example.q4t"

export Q4T_PORT_DIR=$work
"$build/sim/q4t-keyboard-sim" --link "$work/COM1" --log "$work/keyboard.log" > "$work/keyboard.out" 2>&1 &
sim=$!
until grep -qx ready "$work/keyboard.out"; do sleep 0.1; done

mkdir -p docs
xvfb-run -a -s "-screen 0 700x620x24" "$0" --on-display
echo "docs/main-window.png written"
