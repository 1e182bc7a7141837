#!/usr/bin/env bash
# Whole contacts through the program: files as other loggers and services write them imported and
# exported again by the commands keep every field value (read by adif-parser-ts, share per file);
# under Xvfb, a desktop logger's file and one with a record on every ADIF band come in through the
# grid's menu, a grid edit, a delete and their undo keep a contact's other fields, an SSTV
# contact is logged in the entry row, and Export ADIF with All in view gives every record back
# with its band and frequency, and the SSTV 599 as RST_SENT 599.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(readlink -f "$1")
adif_parser=$2
samples=$(readlink -f "$3")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
[ -f "$adif_parser/package.json" ] || fail "adif-parser-ts missing in $adif_parser (scripts/setup.sh installs it)"

# "VALUES KEPT" of the records of file $1 that file $2 holds unchanged, and the first losses on stderr.
kept_share() {
  node -e '
const {AdifParser} = require(process.argv[1]);
const fs = require("fs");
const read = (path) => AdifParser.parseAdi(fs.readFileSync(path, "latin1")).records;
const key = (r) => [r.call, r.qso_date, r.time_on].join("|");
const after = new Map(read(process.argv[3]).map((r) => [key(r), r]));
let values = 0, kept = 0;
for (const record of read(process.argv[2])) {
  const out = after.get(key(record)) || {};
  for (const [name, value] of Object.entries(record)) {
    if (value === "") continue;
    ++values;
    if (out[name] === value) ++kept;
    else if (values - kept <= 5) console.error(key(record) + ": " + name + " " + value + " -> " + out[name]);
  }
}
console.log(values + " " + kept);' "$adif_parser" "$1" "$2"
}

# The commands: each file into a log of its own and out again. A confirmation report only confirms
# contacts a log holds: into a new log it adds none and names every record.
mkdir -p confirmations
status=0
"$program" import-adif "$samples/confirmation-report.adi" --data-dir confirmations > import.txt 2>&1 || status=$?
[ "$status" -eq 2 ] && grep -q "match no contact (not added)" import.txt \
  || fail "confirmation report into a new log: status $status, $(cat import.txt)"
[ "$(sqlite3 confirmations/backup.sqlite 'SELECT count(*) FROM logtab')" -eq 0 ] || fail "the report added contacts"
for sample in online-logbook desktop-logger contest-logger straight-key-logger; do
  "$program" import-adif "$samples/$sample.adi" --data-dir "$sample" > import.txt 2>&1 \
    || fail "$sample: import-adif failed: $(cat import.txt)"
  "$program" export-adif "$sample.out.adi" --data-dir "$sample" > export.txt 2>&1 \
    || fail "$sample: export-adif failed: $(cat export.txt)"
  read -r values kept < <(kept_share "$samples/$sample.adi" "$sample.out.adi") || fail "$sample: adif-parser-ts"
  echo "$sample: $kept of $values field values kept"
  [ "$values" -gt 200 ] || fail "$sample: adif-parser-ts read only $values values"
  [ "$kept" -eq "$values" ] || fail "$sample: $kept of $values field values kept"
done

# The window on a new log of a station that is set up.
mkdir -p data
db=data/backup.sqlite
write_station_settings Quovan.txt

await() {
  local id
  id=$(wait_window "$1")
  [ -n "$id" ] || fail "no window $1"
  echo "$id"
}
gone() {
  for _ in $(seq 1 50); do xdotool search --onlyvisible --name "$1" >/dev/null || return 0; sleep 0.1; done
  fail "window $1 stayed"
}
answer_file_dialog() {
  local dialog
  dialog=$(await "$1")
  sleep 0.5
  xdotool key --window "$dialog" ctrl+a
  xdotool type --delay 20 "$2"
  xdotool key Return
  gone "$1"
}
close_message() {
  local box
  box=$(await '^Mivra$')
  shot "$1"
  close_box "$box" || fail "message $1 not closed"
}
keys() { xdotool key --delay 80 "$@"; sleep 0.3; }
retype() { click_control "$window" main "$1"; sleep 0.3; keys ctrl+a; xdotool type --delay 60 "$2"; sleep 0.2; }

load_places "$program"
start
[ -s "$db" ] || fail "no log made"
focus_window "$window"
click_control "$window" main OptBand.21 # All
sleep 0.5
# A desktop logger's file through the grid's menu; its newest contact's name typed in the grid and
# the edit undone, then the contact deleted and brought back: its other fields stay with it.
[ -n "$(grid_menu_entry "$window" 3 '^Import ADIF')" ] || fail "no Import ADIF dialog"
answer_file_dialog '^Import ADIF' "$samples/desktop-logger.adi"
close_message whole_desktop_logger_imported
[ "$(sqlite3 "$db" 'SELECT count(*) FROM logtab')" -eq 20 ] || fail "the desktop logger's file: $(sqlite3 "$db" 'SELECT count(*) FROM logtab') rows"
newest=$(sqlite3 "$db" "SELECT ID FROM logtab ORDER BY Date DESC, GMT DESC LIMIT 1")
kept=$(sqlite3 "$db" "SELECT fields FROM logfields WHERE ID = $newest")
[[ "$kept" == *"<MY_RIG:"* && "$kept" == *"<TIME_ON:6>"* ]] || fail "the newest contact's kept fields: $kept"
name=$(sqlite3 "$db" "SELECT quote(Nam) FROM logtab WHERE ID = $newest")
focus_window "$window"
xdotool mousemove --window "$window" $(middle grid 1.Nam) click --repeat 2 --delay 60 1
sleep 0.5
keys ctrl+a
xdotool type --delay 60 "Renamed"
keys Return
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT Nam FROM logtab WHERE ID = $newest")" = Renamed ] && break; sleep 0.1; done
[ "$(sqlite3 "$db" "SELECT Nam FROM logtab WHERE ID = $newest")" = Renamed ] || fail "the name was not edited"
edited=$(sqlite3 "$db" "SELECT fields FROM logfields WHERE ID = $newest")
[ "$edited" = "$kept" ] || fail "after the edit, the kept fields: $edited"
shot whole_name_edited
click_at "$window" $(middle grid 1.Callsign)
keys ctrl+z
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT quote(Nam) FROM logtab WHERE ID = $newest")" = "$name" ] && break; sleep 0.1; done
[ "$(sqlite3 "$db" "SELECT quote(Nam) FROM logtab WHERE ID = $newest")" = "$name" ] || fail "the edit was not undone"
[ "$(sqlite3 "$db" "SELECT fields FROM logfields WHERE ID = $newest")" = "$kept" ] || fail "the undo changed the fields"
whole=$(sqlite3 "$db" "SELECT * FROM logtab JOIN logfields USING (ID) WHERE ID = $newest")
click_at "$window" $(middle grid 1.Callsign)
keys Delete
sleep 1
keys Return
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT count(*) FROM logtab WHERE ID = $newest")" = 0 ] && break; sleep 0.1; done
[ "$(sqlite3 "$db" "SELECT count(*) FROM logfields WHERE ID = $newest")" = 0 ] || fail "the deleted contact's fields stayed"
focus_window "$window"
click_at "$window" $(middle grid 1.Callsign)
keys ctrl+z
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT count(*) FROM logfields WHERE ID = $newest")" = 1 ] && break; sleep 0.1; done
[ "$(sqlite3 "$db" "SELECT * FROM logtab JOIN logfields USING (ID) WHERE ID = $newest")" = "$whole" ] \
  || fail "the contact did not come back whole: $(sqlite3 "$db" "SELECT * FROM logtab JOIN logfields USING (ID) WHERE ID = $newest")"

[ -n "$(grid_menu_entry "$window" 3 '^Import ADIF')" ] || fail "no Import ADIF dialog"
answer_file_dialog '^Import ADIF' "$samples/every-band.adi"
close_message whole_every_band_imported
[ "$(sqlite3 "$db" 'SELECT count(*) FROM logtab')" -eq 53 ] || fail "the every-band file: $(sqlite3 "$db" 'SELECT count(*) FROM logtab') rows"
twenty="SELECT Band || ' ' || Freq FROM logtab WHERE Callsign = 'G4BAO' AND Date = '2024-09-09'"
[ "$(sqlite3 "$db" "$twenty")" = "14200 14.074" ] || fail "the 20m record: $(sqlite3 "$db" "$twenty")"

# An SSTV contact on 8m, logged in the entry row: New wants a band in view, 50 MHz, then 8m typed.
focus_window "$window"
click_control "$window" main OptBand.9
sleep 0.5
click_control "$window" main addnew
sleep 0.5
retype Ca dl5sst
retype Gr jo31aa
retype Da 2026-06-06
retype GM 10:30
retype Rss 599
retype Rr 595
retype Ba 8m
retype mo SSTV
click_control "$window" main Save
for _ in $(seq 1 30); do [ "$(sqlite3 "$db" "SELECT count(*) FROM logtab WHERE Callsign = 'DL5SST'")" = 1 ] && break; sleep 0.2; done
[ "$(sqlite3 "$db" "SELECT Band || ' ' || mode || ' ' || rsts FROM logtab WHERE Callsign = 'DL5SST'")" = "40 SSTV 599" ] \
  || fail "the SSTV contact: $(sqlite3 "$db" "SELECT * FROM logtab WHERE Callsign = 'DL5SST'")"
# With All in view, the grid's last columns: the frequencies.
focus_window "$window"
click_control "$window" main OptBand.21
sleep 0.5
click_at "$window" $(middle grid 1.Callsign)
keys End
shot whole_grid_frequencies

[ -n "$(grid_menu_entry "$window" 2 '^Export ADIF')" ] || fail "no Export ADIF dialog"
answer_file_dialog '^Export ADIF' "$work/all.adi"
close_message whole_exported
stop

for sample in desktop-logger every-band; do
  read -r values kept < <(kept_share "$samples/$sample.adi" all.adi) || fail "$sample: adif-parser-ts"
  echo "$sample through the window: $kept of $values field values kept"
  [ "$values" -gt 200 ] && [ "$kept" -eq "$values" ] || fail "$sample: $kept of $values field values kept"
done
node -e '
const {AdifParser} = require(process.argv[1]);
const records = AdifParser.parseAdi(require("fs").readFileSync(process.argv[2], "latin1")).records;
if (records.length !== 54) throw new Error(records.length + " records");
const sstv = records.find((r) => r.call === "DL5SST");
if (!sstv || sstv.band !== "8m" || sstv.mode !== "SSTV" || sstv.rst_sent !== "599" || sstv.rst_rcvd !== "595"
    || "stx_string" in sstv || "stx" in sstv)
  throw new Error("SSTV record: " + JSON.stringify(sstv));
' "$adif_parser" all.adi || fail "the exported file"
echo "whole contact: ok"
