#!/usr/bin/env bash
# A contest started with "Contest…" and worked in the real window under Xvfb: New puts the serials
# 59001, 59002, 59003 into RSTs, the first station again (as /P) shows DUPE in red and is still stored,
# and the score beside the band caption claims what the EDI export claims (CToSc); "End contest" ends it.
# Checked with mivra.ini, sqlite3,
# the export-edi command and screenshots (kept in the folder given as the second argument).
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
shots=$(realpath "${2:-.}")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

write_station_settings Quovan.txt
load_places "$program"
start
focus_window "$window"
eval "$(xdotool getwindowgeometry --shell "$window")"   # X, Y of the window
contest_button() { click_control "$window" main contest; }

keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
typed() { xdotool type --delay 60 "$1"; sleep 0.2; }
snap() { import -window root "$shots/$1"; }
# The screen's part where a control of the main window lies, as convert crops it.
crop() { local r; r=($(place main "$1")); echo "${r[2]}x${r[3]}+$(( X + r[0] ))+$(( Y + r[1] ))"; }
red() { convert "$shots/$1" -crop "$(crop dupe)" +repage -fx '(r>0.55 && g<0.35 && b<0.35) ? 1 : 0' \
          -format '%[fx:round(mean*w*h)]' info:; }
marked() { [ "$(red "$1")" -gt 20 ]; }
await() { local name=$1; shift; for _ in $(seq 1 50); do snap "$name"; "$@" && return 0; sleep 0.2; done; return 1; }
new_contact() {
  click_control "$window" main addnew
  sleep 0.4
  typed "$1"; keys Return
}
# Enter from the locator through the reports: in a contest Enter in the received report saves.
to_save() { typed "$1"; keys Return Return Return; }
rows() {
  for _ in $(seq 1 50); do
    [ "$(sqlite3 data/backup.sqlite "SELECT COUNT(*) FROM logtab")" -ge "$1" ] && break
    sleep 0.2
  done
  sqlite3 -separator ' ' data/backup.sqlite "SELECT Callsign, rsts FROM logtab ORDER BY ID" | tr '\n' ','
}

# "Contest…": a name, and Enter starts it on the selected band from this minute for a day.
contest_button
dialog=$(wait_window '^Contest$')
[ -n "$dialog" ] || fail "no contest dialog"
focus_window "$dialog"
xdotool type --delay 40 "Test Contest"
snap contest_dialog.png
xdotool key Return
sleep 0.5
grep -q '^band=144$' data/mivra.ini || fail "mivra.ini: $(cat data/mivra.ini)"
grep -q '^name=Test Contest$' data/mivra.ini || fail "mivra.ini: $(cat data/mivra.ini)"
from=$(sed -n 's/^start=//p' data/mivra.ini)
to=$(sed -n 's/^end=//p' data/mivra.ini)
[ "$to" = "$(date -u -d "${from/T/ } UTC + 1 day" +%Y-%m-%dT%H:%M)" ] || fail "span $from to $to"

new_contact dl1abc; to_save jo31mm
new_contact dl2xyz; to_save jo40aa
new_contact ok1abc; to_save jn79fx
[ "$(rows 3)" = "DL1ABC 59001,DL2XYZ 59002,OK1ABC 59003," ] || fail "stored: $(rows 3)"

# The first station again, portable: DUPE in red as the callsign is left; Save still stores it.
new_contact dl1abc/p
await contest_dupe.png marked contest_dupe.png || fail "no DUPE for DL1ABC/P"
to_save jo31mm
[ "$(rows 4)" = "DL1ABC 59001,DL2XYZ 59002,OK1ABC 59003,DL1ABC/P 59004," ] || fail "stored: $(rows 4)"
sleep 0.5
snap contest_saved.png
[ "$(red contest_saved.png)" -eq 0 ] || fail "DUPE not emptied by Save"

# The score line: a triple click selects it, the X primary selection holds it.
score_line() {
  local r
  r=($(place main contestScore))   # the line begins at the label's left edge
  xdotool mousemove --window "$window" $(( r[0] + 8 )) $(( r[1] + r[3] / 2 )) click --repeat 3 --delay 80 1
  sleep 0.3
  xclip -o -selection primary 2>/dev/null || true
}
score=$(score_line)
[[ "$score" == "Test Contest: 3 QSOs  "*" pts  3 squares  best "* ]] || fail "score line: '$score'"
points=$(sed -E 's/.* QSOs  ([0-9]+) pts.*/\1/' <<<"$score")
stop

"$program" export-edi contest.edi --data-dir "$work/data" --band 144 --from "$from" --to "$to" >/dev/null
claimed=$(tr -d '\r' < contest.edi | sed -n 's/^CToSc=//p')
[ "$points" = "$claimed" ] || fail "strip says $points points, the EDI export claims $claimed"
grep -q '^CQSOs=3;1' contest.edi || fail "EDI counts $(grep CQSOs contest.edi)"

# A restart goes on with the contest; "End contest" ends it, and New is as without a contest.
start
focus_window "$window"
sleep 0.5
[ "$(score_line)" = "$score" ] || fail "score after the restart: '$(score_line)'"
contest_button
dialog=$(wait_window '^Contest$')
[ -n "$dialog" ] || fail "no contest dialog"
focus_window "$dialog"
xdotool key alt+e
sleep 0.5
! grep -q '^\[contest\]' data/mivra.ini || fail "contest still in mivra.ini: $(cat data/mivra.ini)"
# Without a contest Enter in the received report goes on to Band; the Save key stores the row.
new_contact dl4abc; typed jo41aa; keys Return ctrl+s
[ "$(rows 5)" = "DL1ABC 59001,DL2XYZ 59002,OK1ABC 59003,DL1ABC/P 59004,DL4ABC 59," ] || fail "stored: $(rows 5)"
snap contest_ended.png
stop
echo "contest: ok, $points points (screenshots in $shots)"
