#!/usr/bin/env bash
# The roll-out's speed against virtual keyboards pacing at 9600 baud: each
# keyboard's time with four ports at once against one port alone (the links
# must not slow each other), then the CPU time q4t rollout spends while four
# ports wait for keyboards that never answer.
set -eu
build=${1:-build}
work=$(mktemp -d)
export Q4T_PORT_DIR=$work XDG_DATA_HOME=$work/data
sims=()
trap 'kill "${sims[@]}" 2>/dev/null; rm -rf "$work"' EXIT
cp "$(dirname "$0")/../docs/cafe.q4t" "$work/"

start_sims() {  # start_sims PORTS OPTION...
  local ports=$1; shift
  kill "${sims[@]}" 2>/dev/null || true
  sims=()
  for n in $(seq "$ports"); do
    "$build/sim/q4t-keyboard-sim" --link "$work/COM$n" --serial "P$n-01" "$@" > "$work/sim$n.out" 2>&1 &
    sims+=($!)
    until grep -q ready "$work/sim$n.out" 2>/dev/null; do sleep 0.1; done
  done
}

mean_seconds() {  # the mean and the largest of the log's seconds column
  tail -n +2 "$1" | awk -F, '{ s += $(NF - 1); n++; if ($(NF - 1) > m) m = $(NF - 1) }
                             END { printf "%d keyboards, mean %.2f s, max %.2f s", n, s / n, m }'
}

start_sims 1 --pace --replace-after-download 5
"$build/q4t" rollout "$work/cafe.q4t" --port COM1 --log "$work/one.csv" --count 6 > /dev/null 2>&1
echo "one port:   $(mean_seconds "$work/one.csv")"
start_sims 4 --pace --replace-after-download 2
"$build/q4t" rollout "$work/cafe.q4t" --port COM1 --port COM2 --port COM3 --port COM4 \
  --log "$work/four.csv" --count 12 > /dev/null 2>&1
echo "four ports: $(mean_seconds "$work/four.csv")"

start_sims 4 --silent-always
"$build/q4t" rollout "$work/cafe.q4t" --port COM1 --port COM2 --port COM3 --port COM4 --log "$work/idle.csv" \
  > /dev/null 2>&1 &
q4t=$!
sleep 3
ticks() { awk '{ print $14 + $15 }' "/proc/$q4t/stat"; }
before=$(ticks)
sleep 30
after=$(ticks)
kill -INT $q4t
wait $q4t || true
awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" \
  'BEGIN { printf "waiting on four silent ports: %.2f s of CPU in 30 s (%.2f %%)\n", t / hz, 100 * t / hz / 30 }'
