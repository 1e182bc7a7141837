#!/usr/bin/env bash
# A radio that stops in the middle of a reply: rigctld's dummy radio behind a relay that stops on
# request (mivra_stalling_rig), read by the real program under Xvfb. The rig line turns to a grey
# "rig: no answer" within a few seconds, whether the radio stops inside a reading or inside the long
# reply of an opening, and SIGTERM still ends the program at once with status 0. Screenshots are
# kept in the folder given as the third argument.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
relay_program=$(realpath "$2")
shots=$(realpath "${3:-.}")
work=$(mktemp -d)
pid=
rigd=
relay=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; for p in $rigd $relay; do kill -KILL "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

port=
for _ in $(seq 1 50); do
  candidate=$(( 20000 + RANDOM % 40000 ))
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port=$candidate; break; fi
done
[ -n "$port" ] || fail "no free port"
rigctld -m 1 -t "$port" 2>rigctld.txt &
rigd=$!
for _ in $(seq 1 50); do rigctl -m 2 -r "localhost:$port" F 432200000 >/dev/null 2>&1 && break; sleep 0.1; done
"$relay_program" "$port" "$work/stall" > relay_port.txt &
relay=$!
for _ in $(seq 1 50); do [ -s relay_port.txt ] && break; sleep 0.1; done
relay_port=$(cat relay_port.txt)
[ -n "$relay_port" ] || fail "the relay did not start"

snap() { import -window root "$shots/$1"; }
crop() { echo "$(( $3 / 15 ))x$(( $4 / 15 ))+$(( X + $1 / 15 ))+$(( Y + $2 / 15 ))"; }
# The dark and the grey pixels of the rig's line.
black() { convert "$shots/$1" -crop "$(crop 1440 7545 2520 240)" +repage -fx '(r<0.25 && g<0.25 && b<0.25) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:; }
grey() { convert "$shots/$1" -crop "$(crop 1440 7545 2520 240)" +repage -fx '(r>0.35 && r<0.7 && abs(r-g)<0.05 && abs(r-b)<0.05) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:; }
reading() { [ "$(black "$1")" -gt 20 ]; }
no_answer() { [ "$(black "$1")" -eq 0 ] && [ "$(grey "$1")" -gt 20 ]; }
# Waits up to SECONDS for the line to pass the check: await NAME SECONDS CHECK.
await() {
  local name=$1 deadline=$((SECONDS + $2)) check=$3
  while [ "$SECONDS" -lt "$deadline" ]; do
    snap "$name"
    "$check" "$name" && return 0
    sleep 0.3
  done
  return 1
}
run() {
  "$program" --data-dir "$work/data" --rig "2:127.0.0.1:$relay_port" 2>>stderr.txt &
  pid=$!
  wid=$(wait_window '^MivraQ')
  [ -n "$wid" ] || fail "no main window: $(cat stderr.txt)"
  eval "$(xdotool getwindowgeometry --shell "$wid")"   # X, Y of the window
}
# SIGTERM ends the program within a second, with status 0.
prompt_end() {
  local started elapsed
  started=$(date +%s%N)
  terminate
  elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
  [ "$status" -eq 0 ] || fail "exit status $status after a stalled radio: $(cat stderr.txt)"
  [ "$elapsed" -lt 1500 ] || fail "the end took $elapsed ms with the radio stalled ($1)"
}

write_station_settings Quovan.txt

# The radio answers, then stops inside the reply to a reading.
run
await stall_reading.png 20 reading || fail "no reading of the radio before it stalled"
: > stall
await stall_no_answer.png 8 no_answer || fail "no grey 'rig: no answer' after the radio stopped mid-reply"
# It stays so while the radio stays silent: every opening again stops too.
sleep 3
snap stall_still.png
no_answer stall_still.png || fail "the rig line changed while the radio stayed silent"
prompt_end "inside a reading"

# The radio stops inside the long reply that opens it, silent or with its line kept busy by a byte
# now and then, which no read's time limit ends: the line never showed a reading.
for how in silent trickle; do
  printf 'dump_state\n%s\n' "$how" > stall
  run
  await "stall_opening_$how.png" 8 no_answer || fail "no grey 'rig: no answer' when the opening stalled ($how)"
  prompt_end "inside its opening, $how"
done

# It answers again: the line comes back.
rm stall
run
await stall_back.png 20 reading || fail "no reading once the radio answered again"
prompt_end "after it answered again"
echo "rig stall: ok (screenshots in $shots)"
