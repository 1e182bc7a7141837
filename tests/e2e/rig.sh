#!/usr/bin/env bash
# The radio through Hamlib: rigctld's dummy radio on a free local port, read by the real program
# (--rig 2:localhost:PORT) under Xvfb. Its band is selected and goes with its mode and exact frequency
# into the contacts typed; a rigctld killed mid-run changes nothing but the strip. "Rig…" in the settings
# window turns the radio on and keeps it in mivra.ini. Checked with sqlite3, mivra.ini and screenshots
# (kept in the folder given as the second argument).
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
shots=$(realpath "${2:-.}")
work=$(mktemp -d)
pid=
rigd=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; [ -n "$rigd" ] && { kill -KILL "$rigd"; wait "$rigd" || true; } 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

# A --rig that names no model and port ends the run with a message, before any window.
status=0
"$program" --data-dir "$work/data" --rig bogus 2>bad.txt || status=$?
[ "$status" -eq 1 ] && grep -q 'MODEL:PORT' bad.txt || fail "--rig bogus: status $status, $(cat bad.txt)"
[ ! -e data ] || fail "--rig bogus made the data folder"

# The dummy radio has no port: one given is refused rather than ignored.
status=0
"$program" --data-dir "$work/data" --rig 1:localhost:4533 2>bad.txt || status=$?
[ "$status" -eq 1 ] && grep -q 'would be ignored' bad.txt || fail "--rig 1:localhost:4533: status $status, $(cat bad.txt)"

# A port nothing listens on.
port=
for _ in $(seq 1 50); do
  candidate=$(( 20000 + RANDOM % 40000 ))
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port=$candidate; break; fi
done
[ -n "$port" ] || fail "no free port"
rigctld -m 1 -t "$port" 2>rigctld.txt &
rigd=$!
rig() { rigctl -m 2 -r "localhost:$port" "$@"; }
for _ in $(seq 1 50); do rig f >/dev/null 2>&1 && break; sleep 0.1; done
rig F 432200000
rig M FM 0

write_station_settings Quovan.txt
load_places "$program"
"$program" --data-dir "$work/data" --rig "2:localhost:$port" 2>stderr.txt &
pid=$!
wid=$(wait_window '^MivraQ')
[ -n "$wid" ] || fail "no main window: $(cat stderr.txt)"
focus_window "$wid"
eval "$(xdotool getwindowgeometry --shell "$wid")"   # X, Y of the window

keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
typed() { xdotool type --delay 60 "$1"; sleep 0.2; }
snap() { import -window root "$shots/$1"; }
# The screen's part where a control of the main window lies, less INSET pixels on each side:
# crop NAME [INSET], as convert crops it.
crop() {
  local r inset=${2:-0}
  r=($(place main "$1"))
  echo "$(( r[2] - 2 * inset ))x$(( r[3] - 2 * inset ))+$(( X + r[0] + inset ))+$(( Y + r[1] + inset ))"
}
# Mean brightness (0..1) of a band button's face, and the dark and grey pixels of the rig's line.
button_brightness() { convert "$shots/$1" -crop "$(crop "OptBand.$2" 4)" +repage -colorspace Gray -format '%[fx:mean]' info:; }
black() { convert "$shots/$1" -crop "$(crop rigStatus)" +repage -fx '(r<0.25 && g<0.25 && b<0.25) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:; }
grey() { convert "$shots/$1" -crop "$(crop rigStatus)" +repage -fx '(r>0.35 && r<0.7 && abs(r-g)<0.05 && abs(r-b)<0.05) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:; }
# The button with this index is the selected one: darker than the two beside it.
selected() {
  local me left right
  me=$(button_brightness "$1" "$2"); left=$(button_brightness "$1" $(( $2 - 1 ))); right=$(button_brightness "$1" $(( $2 + 1 )))
  awk -v m="$me" -v l="$left" -v r="$right" 'BEGIN { exit !(m < l - 0.02 && m < r - 0.02) }'
}
await() { local name=$1; shift; for _ in $(seq 1 50); do snap "$name"; "$@" && return 0; sleep 0.2; done; return 1; }
# New (Enter on the focused New, or a click), callsign, locator, then Enter through the fields to Save.
contact() {
  click_control "$wid" main addnew
  sleep 0.4
  typed "$1"; keys Return
  typed "$2"; keys Return
  keys Return Return Return Return Return Return Return Return Return
}
stored() {
  local count=$1 row
  for _ in $(seq 1 50); do
    [ "$(sqlite3 data/backup.sqlite "SELECT COUNT(*) FROM logtab")" -ge "$count" ] && break
    sleep 0.2
  done
  sqlite3 -separator ' ' data/backup.sqlite "SELECT Callsign, Band, mode, Freq FROM logtab ORDER BY ID LIMIT 1 OFFSET $(( count - 1 ))"
}

# 432 MHz is selected as the radio says (button 11; 144 is button 10).
await rig_432.png selected rig_432.png 11 || fail "432 not selected for 432.200 MHz"
[ "$(black rig_432.png)" -gt 20 ] || fail "no rig line in the strip"
contact dl1abc jo31
row=$(stored 1)
[ "$row" = "DL1ABC 432 FM 432.2" ] || fail "first contact stored as '$row'"

# The radio moves to 144.300 MHz: the next contact is on 144.
rig F 144300000
rig M USB 0
await rig_144.png selected rig_144.png 10 || fail "144 not selected for 144.300 MHz"
contact dl2xyz jo40
row=$(stored 2)
[ "$row" = "DL2XYZ 144 SSB 144.3" ] || fail "second contact stored as '$row'"

# The radio moves while a contact is typed: its band goes into the contact, the view follows.
click_control "$wid" main addnew
sleep 0.4
typed dl5abc; keys Return
rig F 432100000
await rig_moved.png selected rig_moved.png 11 || fail "432 not selected while typing"
typed jo52aa; keys Return
keys Return Return Return Return Return Return Return Return Return
row=$(stored 3)
[ "$row" = "DL5ABC 432 SSB 432.1" ] || fail "contact typed while the radio moved stored as '$row'"
rig F 144300000
await rig_back.png selected rig_back.png 10 || fail "144 not selected again"

# rigctld ends: the strip says so in grey, and the program goes on as before.
kill -KILL "$rigd"; wait "$rigd" 2>/dev/null || true; rigd=
no_black() { [ "$(black "$1")" -eq 0 ]; }
await rig_gone.png no_black rig_gone.png || fail "the rig line stayed black after rigctld ended"
[ "$(grey rig_gone.png)" -gt 20 ] || fail "no grey 'rig: no answer'"
selected rig_gone.png 10 || fail "the band changed when rigctld ended"
contact dl3aaa jo51
row=$(stored 4)
[ "$row" = "DL3AAA 144 SSB " ] || fail "contact after rigctld ended stored as '$row'"

started=$(date +%s%N)
stop
elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$elapsed" -lt 3000 ] || fail "the end took $elapsed ms"
[ ! -e data/mivra.ini ] || fail "--rig was kept: $(cat data/mivra.ini)"

# Without --rig the radio is off until "Rig…" in the settings window turns it on; then it is kept.
rigctld -m 1 -t "$port" 2>>rigctld.txt &
rigd=$!
for _ in $(seq 1 50); do rig f >/dev/null 2>&1 && break; sleep 0.1; done
rig F 1296200000
start
wid=$window
focus_window "$wid"
sleep 1.5
snap rig_off.png
[ "$(black rig_off.png)" -eq 0 ] || fail "a rig line while the rig is off"
click_control "$wid" main Initials
settings=$(wait_window '^Initial$')
[ -n "$settings" ] || fail "no settings window"
focus_window "$settings"
xdotool key alt+r
dialog=$(wait_window '^Rig$')
[ -n "$dialog" ] || fail "no rig dialog"
focus_window "$dialog"
# The check box has the focus: on; Tab to the search, which narrows the radios to the network one;
# Tab to the list, Tab to the port. The dummy radio (model 1) with a port is refused with a message.
xdotool key space Tab
xdotool type --delay 30 "dummy"
xdotool key Tab Tab ctrl+a
xdotool type --delay 30 "localhost:$port"
xdotool key Return
box=$(wait_box)
[ -n "$box" ] || fail "a port for the dummy radio was taken"
[[ "$(box_text "$box")" == *"would be ignored"* ]] || fail "rig box: $(box_text "$box")"
close_box "$box" || fail "the rig box stays"
focus_window "$dialog"
xdotool key shift+Tab shift+Tab ctrl+a
xdotool type --delay 30 "net rigctl"
snap rig_dialog.png
xdotool key Return
sleep 0.5
grep -q '^enabled=true$' data/mivra.ini || fail "mivra.ini: $(cat data/mivra.ini)"
grep -q "^port=localhost:$port\$" data/mivra.ini || fail "mivra.ini: $(cat data/mivra.ini)"
grep -q '^model=2$' data/mivra.ini || fail "mivra.ini: $(cat data/mivra.ini)"
await rig_1296.png selected rig_1296.png 12 || fail "1296 not selected after the rig was turned on"
stop
echo "rig: ok (screenshots in $shots)"
