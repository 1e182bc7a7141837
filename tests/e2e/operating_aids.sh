#!/usr/bin/env bash
# Drives the real program under Xvfb with xdotool as an operator would: New, a callsign, a locator, and the
# distance and heading show before Save; after Save the station shows as worked before and an unworked
# square as new. The strip is read from screenshots (kept in the folder given as the second argument),
# the stored contact with sqlite3.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
shots=$(realpath "${2:-.}")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
load_places "$program"
fail() { echo "FAIL: $*" >&2; exit 1; }

# Own station DL1AAA in JO62QM, band 144.
write_station_settings Quovan.txt
"$program" --data-dir "$work/data" 2>stderr.txt &
pid=$!
wid=$(wait_window "$main_title" 30)
[ -n "$wid" ] || fail "no main window: $(cat stderr.txt)"
focus_window "$wid"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$wid")"   # X, Y of the window

keys() { xdotool key --delay 60 "$@"; sleep 0.4; }
typed() { xdotool type --delay 60 "$1"; sleep 0.2; }
shot() { import -window root "$shots/$1"; }
# Pixels of a control given in pixels of the window (left, top, width, height) that are dark, and that are red.
crop() { echo "${3}x${4}+$(( X + $1 ))+$(( Y + $2 ))"; }
dark() { convert "$shots/$1" -crop "$(crop "$2" "$3" "$4" "$5")" +repage -colorspace Gray -threshold 50% -negate \
           -format '%[fx:round(mean*w*h)]' info:; }
red() { convert "$shots/$1" -crop "$(crop "$2" "$3" "$4" "$5")" +repage -fx '(r>0.55 && g<0.35 && b<0.35) ? 1 : 0' \
          -format '%[fx:round(mean*w*h)]' info:; }
# Retakes the screenshot until the check passes, for up to 10 s.
await() {
  local name=$1; shift
  for _ in $(seq 1 50); do
    shot "$name"
    "$@" && return 0
    sleep 0.2
  done
  return 1
}
shown() { [ "$(dark "$1" "${@:2}")" -gt 20 ]; }
marked() { [ "$(red "$1" "${@:2}")" -gt 20 ]; }
distance_heading=($(place main distanceHeading))
new_square=($(place main newSquare))
worked_before=($(place main workedBefore))
new_dxcc=($(place main newDxcc))

# The focus starts on New: Enter starts the contact in the callsign field.
keys Return
typed dl1abc
keys Return
typed jo31
keys Return
await operating_aids_locator.png shown operating_aids_locator.png "${distance_heading[@]}" \
  || fail "no distance and heading shown before Save"
marked operating_aids_locator.png "${new_square[@]}" || fail "JO31 not marked as a new square in an empty log"
marked operating_aids_locator.png "${new_dxcc[@]}" || fail "Germany not marked as a new entity in an empty log"
[ "$(dark operating_aids_locator.png "${worked_before[@]}")" -eq 0 ] || fail "worked before shown for a new station"

# Enter walks RSTs, RSTr, Band, Mode, Name, Comment, QSL and Prop to Save; one more presses it.
keys Return Return Return Return Return Return Return Return Return
row=
for _ in $(seq 1 50); do
  row=$(sqlite3 -separator ' ' data/backup.sqlite "SELECT Callsign, Grid, Band, QRB, QTF FROM logtab")
  [ -n "$row" ] && break
  sleep 0.2
done
[ "$row" = "DL1ABC JO31 144 451.0 257.0" ] || fail "stored contact: '$row'"
sleep 0.3
shot operating_aids_saved.png
for aid in distance_heading new_square worked_before; do
  declare -n rect=$aid
  [ "$(dark operating_aids_saved.png "${rect[@]}")" -eq 0 ] || fail "$aid not emptied by Save"
done
[ "$(red operating_aids_saved.png "${new_dxcc[@]}")" -eq 0 ] || fail "new entity not emptied by Save"

# The next contact: the same station again, in a square not yet worked on 144.
click_control "$wid" main addnew
sleep 0.4
typed dl1abc
keys Return
typed jn58
keys Return
await operating_aids_again.png marked operating_aids_again.png "${new_square[@]}" || fail "JN58 not marked as a new square"
shown operating_aids_again.png "${worked_before[@]}" || fail "DL1ABC not shown as worked before"
[ "$(red operating_aids_again.png "${new_dxcc[@]}")" -eq 0 ] || fail "Germany still marked new after a saved contact"
shown operating_aids_again.png "${distance_heading[@]}" || fail "no distance and heading for JN58"

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status: $(cat stderr.txt)"
[ "$(sqlite3 data/backup.sqlite "SELECT COUNT(*) FROM logtab")" -eq 1 ] || fail "the unsaved contact was stored"
[ "$(sqlite3 data/backup.sqlite "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name IN ('logtab_callsign', 'logtab_square', 'logtab_dxcc')")" -eq 3 ] \
  || fail "look-up indexes missing"
echo "operating aids: ok (screenshots in $shots)"
