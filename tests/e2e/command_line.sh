#!/usr/bin/env bash
# --help and --version answer without a display; an unknown option or argument is refused; a command
# after --data-dir runs as one given first.
set -euo pipefail
program=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

[ "$("$program" --version)" = "Mivra $MIVRA_VERSION" ] || fail "--version: $("$program" --version), built as $MIVRA_VERSION"
"$program" --help | grep -q -- "--data-dir <dir>" || fail "--help does not list --data-dir"
if "$program" --no-such-option 2>/dev/null; then fail "unknown option accepted"; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if "$program" --data-dir "$work/data" stray 2>"$work/err.txt"; then fail "stray argument accepted"; fi
grep -q "unknown argument stray" "$work/err.txt" || fail "stray argument: $(cat "$work/err.txt")"
printf '<CALL:4>OK1A<QSO_DATE:8>20250101<TIME_ON:4>0000<BAND:2>2m<EOR>\n' > "$work/one.adi"
"$program" --data-dir "$work/data" import-adif "$work/one.adi" >/dev/null 2>"$work/err.txt" \
  || fail "import-adif after --data-dir: $(cat "$work/err.txt")"
[ "$(sqlite3 "$work/data/backup.sqlite" 'SELECT Callsign FROM logtab')" = OK1A ] || fail "import-adif after --data-dir"
echo "command line: ok"
