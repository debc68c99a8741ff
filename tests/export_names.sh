#!/usr/bin/env bash
# q4t-programmer --export with file names as the system's bytes: a table and
# sheets named in Latin-1 (no UTF-8) or as long as the system allows are read
# and written under exactly those names, and the sheet's title shows U+FFFD.
# Usage: export_names.sh PROGRAM SOURCE_DIR WORK_DIR
set -euo pipefail
program=$1 source=$2 work=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work" && mkdir -p "$work" && cd "$work"
export DISPLAY= WAYLAND_DISPLAY=

table=$'caf\xe9.q4t'
cp "$source/docs/cafe.q4t" "$table"
long=$(printf 'k%.0s' $(seq 247)).pdf  # 251 bytes
for out in $'\xe9.pdf' $'caf\xe9-legends.svg' "$long"; do
  "$program" --export "$out" --legends "$table" 2> err || fail "--export $(printf %q "$out"): $(cat err)"
  [ "$(stat -c %s "$out")" -gt 1000 ] || fail "$(printf %q "$out") is nearly empty"
done
[ "$(head -c 4 $'\xe9.pdf')" = "%PDF" ] || fail "the PDF is no PDF"
grep -q $'<title>caf\xef\xbf\xbd.q4t</title>' $'caf\xe9-legends.svg' || fail "the SVG's title is not the table's shown name"
# nothing written under a name changed on the way
[ "$(ls -A | wc -l)" -eq 5 ] || fail "unexpected files: $(ls -A | od -c | head)"

# a name that is no regular file stays what it is
mkfifo $'\xe9-fifo.pdf'
if timeout 20 "$program" --export $'\xe9-fifo.pdf' "$table" 2> err; then fail "exported into a FIFO"; fi
[ -p $'\xe9-fifo.pdf' ] || fail "the FIFO was replaced"
grep -q "not a regular file" err || fail "the refusal does not say why: $(cat err)"
echo "export names: ok"
