#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program with the
# virtual keyboard on COM1, so that Port, Connect, Upload, Download and Read
# TCO can be tried at once without the hardware. Arguments go on to
# q4t-programmer (a key table file to open).
set -euo pipefail
here=$PWD
cd "$(dirname "$0")/.."

# Checked before anything heavy: without a display there is nothing to show.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are empty): the desktop program needs one" >&2
  exit 1
fi

# The program runs from the repository root (where DefTable.q4t is), so file
# arguments given relative to where the user stood are made absolute.
args=()
for arg in "$@"; do
  case $arg in
    /* | -*) args+=("$arg") ;;
    *) args+=("$here/$arg") ;;
  esac
done

build=${Q4T_BUILD_DIR:-build}  # another folder for developers who keep their own builds
scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQ4T_GUI=ON >/dev/null
cmake --build "$build" -j2 --target q4t-programmer q4t-keyboard-sim q4t

# The keyboard's memory outlives the run, so that a table downloaded today can
# be uploaded tomorrow; its port link lives in a private folder of this run.
statedir=${XDG_STATE_HOME:-$HOME/.local/state}/q4t-programmer
mkdir -p "$statedir"
portdir=$(mktemp -d)
sim=
stop_keyboard() {
  # SIGTERM, so that the keyboard saves its memory and removes its link.
  if [ -n "$sim" ]; then kill -TERM "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
  rm -rf "$portdir"
}
trap stop_keyboard EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$build/sim/q4t-keyboard-sim" --link "$portdir/COM1" --state "$statedir/keyboard.state" \
  > "$portdir/keyboard.out" 2>&1 &
sim=$!
until grep -qx ready "$portdir/keyboard.out"; do
  if ! kill -0 "$sim" 2>/dev/null; then
    cat "$portdir/keyboard.out" >&2
    sim=
    exit 1
  fi
  sleep 0.1
done
echo "Virtual keyboard on COM1 (memory kept in $statedir/keyboard.state)"

Q4T_PORT_DIR=$portdir "$build/q4t-programmer" "${args[@]}"
