#!/usr/bin/env bash
# Clicks as xdotool sends them, press and release back to back: Save clicked right after typing runs the
# checks of the field it leaves. An invalid locator is refused with its message and nothing is stored; a
# callsign typed and Save tapped is stored with its own entity; a slow click on Save is not lost either.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
load_places "$program"
db=data/backup.sqlite
rows() { sqlite3 "$db" "SELECT COUNT(*) FROM logtab"; }
entity_of() { sqlite3 "$db" "SELECT entity FROM dxccdata WHERE '$1' LIKE dxcccode ORDER BY rowid LIMIT 1"; }

write_station_settings Quovan.txt
"$program" --data-dir "$work/data" 2>stderr.txt &
pid=$!
win=$(wait_window "$main_title")
[ -n "$win" ] || fail "no main window: $(cat stderr.txt)"
new() { click_control "$win" main addnew; sleep 0.3; }
save() { click_control "$win" main Save; }

# New, a callsign, Enter, an invalid locator, and Save clicked at once.
new
xdotool type --delay 30 dl7abc
xdotool key Return
sleep 0.3
xdotool type --delay 30 js62
save
box=$(wait_box)
[ -n "$box" ] || fail "no message after the invalid locator"
text=$(box_text "$box")
[ "$text" = 'Locator input incorrect: JS62, the 2nd character "S" must be a letter A-R.' ] || fail "message: '$text'"
close_box "$box" || fail "the message box does not close"
sleep 0.3
# The refused locator stays, selected, in its field: the operator types it away.
xdotool key BackSpace
sleep 0.2
[ "$(rows)" -eq 0 ] || fail "a row was stored: $(sqlite3 "$db" "SELECT Callsign, Grid FROM logtab")"

# A callsign of another entity typed over the old one, Save tapped.
new
xdotool key ctrl+a
xdotool type --delay 30 g3xyz
save
sleep 0.8
[ -z "$(xdotool search --onlyvisible --name '^Mivra$' 2>/dev/null)" ] || fail "unexpected message: $(box_text "$(wait_box)")"
[ "$(rows)" -eq 1 ] || fail "$(rows) rows after the tap on Save"
stored=$(sqlite3 "$db" "SELECT Callsign || '|' || DXCC || '|' || Grid FROM logtab ORDER BY ID DESC LIMIT 1")
england=$(entity_of G3XYZ)
[ -n "$england" ] && [ "$england" != "$(entity_of DL7ABC)" ] || fail "the prefix table gives no entity of its own for G3XYZ"
[ "$stored" = "G3XYZ|$england|" ] || fail "stored '$stored', expected 'G3XYZ|$england|'"

# A slow click: the button is held while the callsign check hands the focus on.
new
xdotool type --delay 30 ok1abc
xdotool mousemove --window "$win" $(middle main Save) mousedown 1
sleep 0.5
xdotool mouseup 1
sleep 0.8
[ "$(rows)" -eq 2 ] || fail "the slow click on Save stored nothing"
stored=$(sqlite3 "$db" "SELECT Callsign || '|' || DXCC FROM logtab ORDER BY ID DESC LIMIT 1")
[ "$stored" = "OK1ABC|$(entity_of OK1ABC)" ] || fail "stored '$stored'"

# A wrong callsign seen after its entity showed: a click back into it from the empty locator stays there.
new
xdotool type --delay 30 dl1abx
xdotool key Return
sleep 0.3
click_control "$win" main Ca
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 30 dl1abc
save
sleep 0.8
[ -z "$(xdotool search --onlyvisible --name '^Mivra$' 2>/dev/null)" ] || fail "unexpected message: $(box_text "$(wait_box)")"
stored=$(sqlite3 "$db" "SELECT Callsign || '|' || Grid || '|' || DXCC FROM logtab ORDER BY ID DESC LIMIT 1")
[ "$stored" = "DL1ABC||$(entity_of DL1ABC)" ] || fail "stored '$stored' after mending the callsign"

stop
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM dxccdata WHERE substr(dxcccode, -1) = '%'")" -eq 0 ] || fail "patterns left in %"
echo "fast click: ok"
