#!/usr/bin/env bash
# Mends the log in the grid as an operator does: a locator retyped in place (and one edit given up with
# Esc), a QSL cell typed over, impossible values refused, a row deleted and brought back with Ctrl+Z,
# two rows confirmed from the context menu. The log is read with sqlite3 after every step.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
export MIVRA_E2E_SHOTS=${MIVRA_E2E_SHOTS:-}
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
db=data/backup.sqlite

# A first start creates the log; then three contacts on 144 MHz with prepared map texts.
QT_QPA_PLATFORM=offscreen "$program" --data-dir "$work/data" 2>stderr.txt &
pid=$!
for _ in $(seq 1 200); do [ -s "$db" ] && [ -s Quovan.txt ] && break; sleep 0.1; done
sleep 0.5
kill -TERM "$pid"; wait "$pid" || true; pid=
write_station_settings Quovan.txt
sqlite3 "$db" "INSERT INTO logtab (ID, Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Nam, Band, mode, QRB, QTF,
  Comment, Prop, GEdata, GEpoly, GEgridXY) VALUES
  (1, '2026-05-03', '12:25', 'OK1ABC', 'JO70AA', '59', '59', 'OK Czech Republic', 'Y', 'Jan', '144', 'SSB', 250, 120,
   'first', 'Tr', '14.0,50.0', 'poly', '14,50'),
  (2, '2026-05-02', '11:15', 'SP2XYZ', 'JO93AA', '57', '55', 'SP Poland', 'Y', 'Ola', '144', 'CW', 480, 60,
   'second', 'Tr', '18.0,53.0', 'poly2', '18,53'),
  (3, '2026-05-01', '10:05', 'DL9OLD', 'JO62AA', '59', '59', 'DL Germany', 'N', 'Otto', '144', 'SSB', 10, 5,
   'third', 'Es', 'x', NULL, 'y')"

row() { sqlite3 "$db" "SELECT quote(Date), quote(GMT), quote(Callsign), quote(Grid), quote(QSL), quote(Band),
  quote(QRB), quote(QTF), quote(GEdata), quote(GEpoly), quote(GEgridXY), quote(DXCC) FROM logtab WHERE ID = $1"; }
dump() { sqlite3 "$db" ".dump logtab"; }
keys() { xdotool key --delay 80 "$@"; sleep 0.5; }
typed() { xdotool type --delay 80 "$1"; sleep 0.3; }
# Grid cells by row (from 1) and column, where the places helper finds them.
cell_click() { click_at "$window" $(middle grid "$1.$2"); sleep 0.3; }
cell_edit() { xdotool mousemove --window "$window" $(middle grid "$1.$2") click --repeat 2 --delay 60 1; sleep 0.5; }
await_row() { for _ in $(seq 1 50); do [ "$(row "$1")" = "$2" ] && return 0; sleep 0.1; done; return 1; }

load_places "$program"
start
focus_window "$window"
sleep 0.5

# The entity counters shown (Search with no text), for the confirmations below.
click_control "$window" main Search
sleep 0.5
shot grid_counters_before
import -window root -crop 30x20+300+5 dx_before.png

# A locator retyped in place: Grid, QRB and QTF as the entry row computes them, the map texts emptied.
cell_edit 1 Grid
keys ctrl+a
typed jo31
keys Return
await_row 1 "'2026-05-03'|'12:25'|'OK1ABC'|'JO31'|'Y'|'144'|451.0|257.0|NULL|NULL|NULL|'OK Czech Republic'" \
  || fail "locator edit stored: $(row 1)"
shot grid_locator_edited

# Esc gives an edit up: the row stays as it was.
before=$(dump)
cell_edit 2 Grid
keys ctrl+a
typed ko00aa
shot grid_escape_editor
keys Escape
sleep 0.5
[ "$(dump)" = "$before" ] || fail "Esc changed the log"

# Typing on a selected QSL cell: q is stored as Q.
cell_click 3 QSL
typed q
keys Return
await_row 3 "'2026-05-01'|'10:05'|'DL9OLD'|'JO62AA'|'Q'|'144'|10.0|5.0|'x'|NULL|'y'|'DL Germany'" \
  || fail "QSL q stored as: $(row 3)"

# Impossible values are refused with a message naming the field; nothing is stored.
before=$(dump)
for edit in "Date 2026-13-45 ^Date:" "GMT 25:99 ^GMT:" "Band 11m ^Band:"; do
  read -r column text expected <<<"$edit"
  cell_edit 2 "$column"
  keys ctrl+a
  typed "$text"
  keys Return
  box=$(wait_box)
  [ -n "$box" ] || fail "no message for $column $text"
  message=$(box_text "$box")
  shot "grid_refused_$column"
  [[ "$message" =~ $expected ]] || fail "message for $column $text: $message"
  close_box "$box" || fail "message for $column not closed"
  sleep 0.5
  keys Escape
  [ "$(dump)" = "$before" ] || fail "$column $text changed the log"
done
# An ADIF band name typed into Band is stored as the band value.
cell_edit 2 Band
keys ctrl+a
typed 2m
keys Return
sleep 0.5
[ "$(sqlite3 "$db" "SELECT Band FROM logtab WHERE ID = 2")" = 144 ] || fail "band 2m stored as $(sqlite3 "$db" "SELECT Band FROM logtab WHERE ID = 2")"

# Delete, then Ctrl+Z: the row is back, every column equal.
before=$(dump)
cell_click 2 Callsign
keys Delete
sleep 1
shot grid_delete_question
keys Return
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE ID = 2")" = 0 ] && break; sleep 0.1; done
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE ID = 2")" = 0 ] || fail "row not deleted"
shot grid_deleted
focus_window "$window"   # no window manager hands the focus back after the question
sleep 0.3
keys ctrl+z
for _ in $(seq 1 50); do [ "$(dump)" = "$before" ] && break; sleep 0.1; done
[ "$(dump)" = "$before" ] || fail "Ctrl+Z did not restore the row: $(diff <(echo "$before") <(dump))"
shot grid_undone

# Two rows selected, "Card received (Q)" from the context menu: both Q, the shown counter rises.
sqlite3 "$db" "SELECT COUNT(DISTINCT DXCC) FROM logtab WHERE QSL = 'Q'" > confirmed_before
cell_click 1 Callsign
xdotool keydown ctrl; cell_click 2 Callsign; xdotool keyup ctrl
read -r menu_x menu_y <<<"$(middle grid 2.Callsign)"
xdotool mousemove --window "$window" "$menu_x" "$menu_y" click 3
sleep 0.7
shot grid_context_menu
import -window root -crop 30x20+300+5 dx_before.png
# The menu opens with its corner at the pointer.
read -r entry_x entry_y <<<"$(middle menu 'Card_received_(Q)')"
click_at "$window" $(( menu_x + entry_x )) $(( menu_y + entry_y ))
sleep 0.7
[ "$(sqlite3 "$db" "SELECT group_concat(QSL, '') FROM (SELECT QSL FROM logtab ORDER BY ID)")" = QQQ ] \
  || fail "QSL states after Card received: $(sqlite3 "$db" "SELECT group_concat(QSL, '') FROM logtab")"
[ "$(sqlite3 "$db" "SELECT COUNT(DISTINCT DXCC) FROM logtab WHERE QSL = 'Q'")" -gt "$(cat confirmed_before)" ] \
  || fail "no more confirmed entities"
shot grid_confirmed
import -window root -crop 30x20+300+5 dx_after.png
[ "$(compare -metric AE dx_before.png dx_after.png null: 2>&1 || true)" != 0 ] || fail "the confirmed counter did not change"

# The entry row refuses the same values: nothing stored until they are mended; 2m is stored as 144.
count=$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab")
click_control "$window" main addnew
sleep 0.5
typed ok1xyz
keys Return Return     # callsign, then the empty locator on to RSTs
retype() { click_control "$window" main "$1"; sleep 0.3; keys ctrl+a; typed "$2"; }
save_refused() {
  click_control "$window" main Save
  local box
  box=$(wait_box)
  [ -n "$box" ] || fail "no message for $1"
  local message
  message=$(box_text "$box")
  [[ "$message" =~ ^$1: ]] || fail "entry message for $1: $message"
  close_box "$box" || fail "entry message not closed"
  focus_window "$window"
  sleep 0.3
  [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab")" = "$count" ] || fail "entry row stored a refused $1"
}
retype Da 2026-13-45
save_refused Date
retype Da 2026-12-01
retype GM 25:99
save_refused GMT
retype GM 12:00
retype Ba 11m
shot entry_band_refused
save_refused Band
retype Ba 2m
click_control "$window" main Save
sleep 0.7
[ "$(sqlite3 "$db" "SELECT Date, GMT, Callsign, Band FROM logtab WHERE Callsign = 'OK1XYZ'")" = "2026-12-01|12:00|OK1XYZ|144" ] \
  || fail "entry row stored: $(sqlite3 "$db" "SELECT Date, GMT, Callsign, Band FROM logtab WHERE Callsign = 'OK1XYZ'")"
shot entry_saved
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Date = '2026-13-45' OR GMT = '25:99' OR Band IN ('2m', '11m')")" = 0 ] \
  || fail "an impossible value was stored"

# The newest contact deleted, the next one logged: it takes a new ID, never the freed one, so Ctrl+Z
# in the grid brings the deleted contact back with its own ID beside the new one.
newest=$(sqlite3 "$db" "SELECT MAX(ID) FROM logtab")
[ "$(sqlite3 "$db" "SELECT Callsign FROM logtab WHERE ID = $newest")" = OK1XYZ ] || fail "OK1XYZ is not the newest contact"
deleted=$(sqlite3 "$db" "SELECT * FROM logtab WHERE ID = $newest")
focus_window "$window"
cell_click 1 Callsign
keys Delete
sleep 1
keys Return
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE ID = $newest")" = 0 ] && break; sleep 0.1; done
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Callsign = 'OK1XYZ'")" = 0 ] || fail "OK1XYZ not deleted"
focus_window "$window"
click_control "$window" main addnew
sleep 0.5
typed ok2new
keys Return
click_control "$window" main Save
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Callsign = 'OK2NEW'")" = 1 ] && break; sleep 0.1; done
[ "$(sqlite3 "$db" "SELECT ID FROM logtab WHERE Callsign = 'OK2NEW'")" -gt "$newest" ] \
  || fail "the new contact took the freed ID $newest: $(sqlite3 "$db" "SELECT ID, Callsign FROM logtab")"
cell_click 2 Callsign
keys ctrl+z
for _ in $(seq 1 50); do [ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE ID = $newest")" = 1 ] && break; sleep 0.1; done
shot grid_undo_after_new_contact
[ -z "$(wait_window '^Mivra$' 1)" ] || fail "a message came with the undo"
[ "$(sqlite3 "$db" "SELECT * FROM logtab WHERE ID = $newest")" = "$deleted" ] \
  || fail "OK1XYZ did not come back as it was: $(sqlite3 "$db" "SELECT * FROM logtab WHERE ID = $newest")"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Callsign = 'OK2NEW'")" = 1 ] || fail "the new contact is gone"

stop
echo "grid editing: ok"
