#!/usr/bin/env bash
# The window with files that are not what they should be: a FIFO as mivra.ini or as the settings file
# never holds the start (the window comes with a message naming the file, and SIGTERM ends the program
# at once, the box still up); an import through the menu whose file another process cuts short
# part-way keeps the program alive, says so, stores nothing of it, and the contact typed before it is
# still there to be saved. Checked with sqlite3 and stat.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
db=data/backup.sqlite
# A box is up whose text matches: await_message EXPECTED; leaves its id in box.
await_message() {
  box=$(wait_box)
  [ -n "$box" ] || fail "no message (expected $1): $(cat stderr.txt)"
  local text
  text=$(box_text "$box")
  [[ "$text" =~ $1 ]] || fail "message: $text (expected $1)"
}
fifo() { [ "$(stat -c %F "$1")" = fifo ] || fail "$1 is no longer a FIFO"; }

# A first start makes the log; then the radio's and the contest's settings file is a FIFO.
write_station_settings Quovan.txt
start
stop
mkfifo data/mivra.ini
start
await_message "The settings file $work/data/mivra.ini cannot be read: it is not a regular file"
shot hostile_ini
# SIGTERM with the message up ends the program.
terminate
[ "$status" -eq 0 ] || fail "exit status $status with a FIFO as mivra.ini: $(cat stderr.txt)"
fifo data/mivra.ini
rm data/mivra.ini

# The settings file a FIFO: a message naming it comes at once; SIGTERM ends the start that could not
# complete, and the FIFO is not replaced.
rm Quovan.txt
mkfifo Quovan.txt
"$program" --data-dir "$PWD/data" 2>>stderr.txt &
pid=$!
await_message "Cannot read the settings file $work/Quovan.txt: it is not a regular file"
shot hostile_settings
terminate
[ "$status" -ne 0 ] || fail "exit status 0 when the settings could not be read"
fifo Quovan.txt
rm Quovan.txt
write_station_settings Quovan.txt

# A contact typed, then Import ADIF... of a file another process cuts short while it is imported.
sqlite3 -noheader :memory: "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300000)
  SELECT printf('<CALL:%d>%s<QSO_DATE:8>20260102<TIME_ON:4>%02d%02d<BAND:4>70cm<MODE:2>CW<NAME:20>%s<EOR>',
                length(c), c, i % 24, i % 60, printf('%020d', i))
  FROM (SELECT i, 'OK' || i AS c FROM n)" > many.adi
size=$(stat -c %s many.adi)
sqlite3 "$db" "INSERT INTO logtab (Date, GMT, Callsign, Band, mode, QSL) VALUES ('2026-05-01', '10:05', 'DL9OLD', '144', 'SSB', 'N')"
load_places "$program"
start
focus_window "$window"
sleep 0.5
sqlite3 "$db" .dump > dump.before   # as the running program keeps it
click_control "$window" main addnew
sleep 0.5
xdotool type --delay 60 dl1typ
sleep 0.3
dialog=$(grid_menu_entry "$window" 3 '^Import ADIF')
[ -n "$dialog" ] || fail "no import dialog"
sleep 0.5
xdotool key --window "$dialog" ctrl+a
xdotool type --delay 20 "$work/many.adi"
xdotool key Return
read_bytes() { awk '/^rchar:/ { print $2 }' "/proc/$pid/io" 2>/dev/null || echo 0; }
start_bytes=$(read_bytes)
for _ in $(seq 1 600); do [ "$(read_bytes)" -gt $(( start_bytes + size + size / 4 )) ] && break; sleep 0.02; done
truncate -s 100000 many.adi
await_message "Nothing was imported: the file $work/many.adi cannot be read: it became shorter while it was read"
shot hostile_import_cut
close_box "$box" || fail "import message not closed"
kill -0 "$pid" || fail "the program ended"
[ "$(sqlite3 "$db" .dump)" = "$(cat dump.before)" ] || fail "the cut import changed the log"
# The contact typed before is still there: Save stores it.
focus_window "$window"
click_control "$window" main Save
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Callsign = 'DL1TYP'")" = 1 ] && break; sleep 0.1; done
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Callsign = 'DL1TYP'")" = 1 ] || fail "the typed contact was lost"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab")" = 2 ] || fail "rows: $(sqlite3 "$db" "SELECT COUNT(*) FROM logtab")"
shot hostile_saved_after_import
stop
echo "hostile start: ok"
