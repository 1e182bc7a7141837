#!/usr/bin/env bash
# Starts the real program on an empty folder, stops it with SIGTERM and checks the files it leaves.
set -euo pipefail
program=$1
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

QT_QPA_PLATFORM=offscreen "$program" --data-dir "$work/data" 2>stderr.txt &
pid=$!
for _ in $(seq 1 200); do
  [ -s Quovan.txt ] && [ -s data/backup.sqlite ] && break
  sleep 0.1
done
sleep 1
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status: $(cat stderr.txt)"

# The settings file: 13 CRLF lines. The first start shows the settings window, which on closing stores its
# slider position (the default 128 on a new file, never an invisible 0) as a number; the rest are the
# creation defaults.
[ "$(grep -c $'\r$' Quovan.txt)" -eq 13 ] || fail "Quovan.txt does not hold 13 CRLF lines"
printf '""\r\n""\r\n1\r\n1\r\n10\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n128\r\n1\r\n' | cmp -s - Quovan.txt \
  || fail "Quovan.txt differs: $(od -c Quovan.txt | head)"

# The log: logtab and dxccdata, patterns back in their stored form.
db=data/backup.sqlite
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name IN ('logtab', 'dxccdata')")" -eq 2 ] \
  || fail "tables missing"
[ "$(sqlite3 "$db" "PRAGMA integrity_check")" = ok ] || fail "integrity check"
rows=$(sqlite3 "$db" "SELECT COUNT(*) FROM dxccdata")
[ "$rows" -ge 20000 ] || fail "only $rows dxccdata rows"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM dxccdata WHERE substr(dxcccode, -1) = '%'")" -eq 0 ] \
  || fail "patterns still end in %"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM dxccdata WHERE substr(dxcccode, -1) = '*'")" -gt 5000 ] \
  || fail "patterns lost their *"
echo "first start: ok ($rows dxccdata rows)"

# A second start ended by SIGHUP (the terminal closed) runs the same close steps.
QT_QPA_PLATFORM=offscreen "$program" --data-dir "$work/data" 2>stderr.txt &
pid=$!
for _ in $(seq 1 100); do
  [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM dxccdata WHERE substr(dxcccode, -1) = '%'")" -gt 0 ] && break
  sleep 0.1
done
sleep 0.5
kill -HUP "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status after SIGHUP: $(cat stderr.txt)"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM dxccdata WHERE substr(dxcccode, -1) = '%'")" -eq 0 ] \
  || fail "patterns still end in % after SIGHUP"
[ ! -e "$db.lock" ] || fail "lock left after SIGHUP"
echo "SIGHUP: ok"
