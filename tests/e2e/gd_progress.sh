#!/usr/bin/env bash
# GD on a log of 150,000 contacts, driven under Xvfb with xdotool: the progress window shows within
# a moment, Escape (its Cancel) stops the work, a message says so and no row has map data (sqlite3).
# Then GD to the end prepares every row. With MIVRA_E2E_SHOTS=DIR the screens are kept.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(readlink -f "$1")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
mkdir -p data
write_station_settings Quovan.txt
load_places "$program"

start
stop
db=data/backup.sqlite
sqlite3 "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 150000)
  INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Band, mode, QRB, QTF, Prop, Comment)
  SELECT date('2016-01-01', '+' || (i % 3000) || ' days'), printf('%02d:%02d', i % 24, i % 60),
         'OK' || (i % 10) || 'A' || char(65 + i % 26) || char(65 + (i / 26) % 26),
         char(73 + i % 3) || char(77 + (i / 3) % 4) || ((i / 12) % 10) || ((i / 120) % 10)
           || char(65 + i % 24) || char(65 + (i / 24) % 24),
         '59', '57', 'OK Czech Republic', 'N', '144', 'SSB', 500, 90, 'Tr', ''
  FROM n"

start
# GD: its progress window within a moment.
begin=$(date +%s%N)
click_control "$window" main gridDEC
progress=$(wait_window '^GD$' 10)
shown=$(( ($(date +%s%N) - begin) / 1000000 ))
[ -n "$progress" ] || fail "GD showed no progress"
shot gd-progress
# The dialog is set to show after 300 ms; the window must not wait for the work to end.
[ "$shown" -lt 1500 ] || fail "the progress showed after $shown ms"
focus_window "$progress"
xdotool key Escape
box=$(wait_box)
[ -n "$box" ] || fail "no message after Cancel"
text=$(box_text "$box")
[[ "$text" == *"The map data preparation was cancelled; no row was changed."* ]] || fail "message: $text"
close_box "$box" || fail "the message stayed"
[ "$(sqlite3 "$db" "SELECT count(*) FROM logtab WHERE GEdata IS NOT NULL")" -eq 0 ] || fail "a cancelled GD changed rows"

# GD to the end: every row prepared, and the usual message.
click_control "$window" main gridDEC
box=$(wait_window '^Mivra$' 120)
[ -n "$box" ] || fail "GD did not end"
text=$(box_text "$box")
[[ "$text" == *"150000 Dataset from backup.sqlite imported"* ]] || fail "GD message: $text"
close_box "$box" || fail "the message stayed"
[ "$(sqlite3 "$db" "SELECT count(*) FROM logtab WHERE GEdata LIKE 'Log: %'")" -ge 150000 ] || fail "GD left rows"
stop
echo "gd_progress: ok (progress after $shown ms, cancelled, then prepared)"
