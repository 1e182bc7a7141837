#!/usr/bin/env bash
# Logs the program must not change: a file that is not SQLite and a log of a newer layout. The program
# names each, leaves it untouched and ends with a non-zero status. A log of the oldest layout is brought to
# the newest one by a command, checked with sqlite3.
set -euo pipefail
program=$1
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts the window on folder $1 and waits until standard error holds $2; then ends it as a signal would.
refused_by_window() {
  local folder=$1 expected=$2
  QT_QPA_PLATFORM=offscreen "$program" --data-dir "$folder" 2>stderr.txt &
  pid=$!
  for _ in $(seq 1 100); do
    grep -q "$expected" stderr.txt && break
    sleep 0.1
  done
  grep -q "$folder/backup.sqlite" stderr.txt || fail "no message naming the file: $(cat stderr.txt)"
  grep -q "$expected" stderr.txt || fail "no message saying \"$expected\": $(cat stderr.txt)"
  kill -TERM "$pid"   # closes the message box
  status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" -ne 0 ] || fail "exit status 0"
}

mkdir data
printf 'these are my notes, not a log\n' > data/backup.sqlite
cp data/backup.sqlite original
refused_by_window "$work/data" "not an SQLite database"
cmp -s original data/backup.sqlite || fail "the file was changed"
[ ! -e Quovan.txt ] || fail "settings were written"

# A log a newer program wrote: refused by the window and by a command, not a byte changed, nothing made beside it.
mkdir newer
sqlite3 newer/backup.sqlite "CREATE TABLE logtab (ID INTEGER PRIMARY KEY, Date, GMT, Callsign, Locator, rsts, rstr,
  DXCC, QSL, Nam, Band, mode, QRB, QTF, Comment, Prop); CREATE TABLE dxccdata (ADIF, dxcccode, entity);
  INSERT INTO logtab (Date, Callsign) VALUES ('2030-01-01', 'OK1FUT'); PRAGMA user_version = 99;"
cp newer/backup.sqlite newer-original
refused_by_window "$work/newer" "newer version"
status=0
"$program" export-adif out.adi --data-dir "$work/newer" 2>stderr.txt || status=$?
[ "$status" -eq 1 ] || fail "export-adif on a newer log: status $status"
grep -q "newer version" stderr.txt || fail "export-adif: no message: $(cat stderr.txt)"
cmp -s newer-original newer/backup.sqlite || fail "the newer log was changed"
[ "$(ls -A newer)" = "backup.sqlite" ] || fail "files were made beside the newer log: $(ls -A newer)"
[ ! -e out.adi ] || fail "an export was written from a newer log"

# The layout before the program (the ID, 16 named columns and 14 others): a command brings it to the newest layout.
mkdir old
others=$(for i in $(seq 1 14); do printf ', Other%d' "$i"; done)
sqlite3 old/backup.sqlite "CREATE TABLE logtab (ID INTEGER PRIMARY KEY, Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Nam, Band, mode,
  QRB, QTF, Comment, Prop, QSLman$others); CREATE TABLE dxccdata (ADIF, dxcccode, entity);
  INSERT INTO logtab (Date, GMT, Callsign, Band, mode, Other14) VALUES ('2001-02-03', '12:34', 'OK1OLD', '144',
  'SSB', 'kept');"
# No window system at all (xcb without a display would stop a program that made a QApplication).
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" export-adif old.adi --data-dir "$work/old" >/dev/null \
  || fail "export-adif on an old log failed"
[ "$(sqlite3 old/backup.sqlite 'PRAGMA user_version')" -ge 2 ] || fail "the old log carries no version"
columns=$(sqlite3 old/backup.sqlite "SELECT group_concat(name, ' ') FROM pragma_table_info('logtab')")
case "$columns" in
  *"Other14 GEdata GEpoly GEgridXY Freq"*) ;;
  *) fail "columns after the upgrade: $columns" ;;
esac
[ "$(sqlite3 old/backup.sqlite "SELECT Callsign || ' ' || Other14 FROM logtab")" = "OK1OLD kept" ] \
  || fail "the row changed in the upgrade"
[ "$(sqlite3 old/backup.sqlite 'PRAGMA integrity_check')" = "ok" ] || fail "the upgraded log is not whole"
copy=$(ls old/backups/backup-*.sqlite.zst)
zstd -q -d -c "$copy" > copy.sqlite || fail "the zstd tool cannot unpack the backup"
[ "$(sqlite3 copy.sqlite 'PRAGMA user_version')" = "0" ] || fail "the backup is not the log as it was"
grep -q "<CALL:6>OK1OLD" old.adi || fail "the upgraded log's contact was not exported"
echo "bad log: ok"
