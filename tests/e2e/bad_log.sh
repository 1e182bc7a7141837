#!/usr/bin/env bash
# A log file that is not SQLite: the program names it, leaves it untouched and ends with a non-zero status.
set -euo pipefail
program=$1
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir data
printf 'these are my notes, not a log\n' > data/backup.sqlite
cp data/backup.sqlite original
QT_QPA_PLATFORM=offscreen "$program" --data-dir "$work/data" 2>stderr.txt &
pid=$!
for _ in $(seq 1 100); do
  grep -q backup.sqlite stderr.txt && break
  sleep 0.1
done
grep -q "$work/data/backup.sqlite" stderr.txt || fail "no message naming the file: $(cat stderr.txt)"
kill -TERM "$pid"   # closes the message box
status=0
wait "$pid" || status=$?
pid=
[ "$status" -ne 0 ] || fail "exit status 0"
cmp -s original data/backup.sqlite || fail "the file was changed"
[ ! -e Quovan.txt ] || fail "settings were written"
echo "bad log: ok (status $status)"
