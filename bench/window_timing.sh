#!/usr/bin/env bash
# Times the window's own work as an operator does it, on a log of SIZE contacts, under a private Xvfb:
# Enter on Save until the new row is shown, a grid cell edited, Ctrl+Z of a delete, the QSL state of
# a hundred selected rows and a click on a band.
#   bench/window_timing.sh PROGRAM SIZE [LOG]    LOG: a ready log of that size to copy (never changed)
# Prints CSV lines as the benchmark binaries do (name,iterations,real_time,cpu_time,time_unit): the
# median of several tries of each, in ms, and beside each as its floor ("...Raw") the same round
# trip through the window's event loop with a key that does nothing.
#
# How the end is known: the window owns the clipboard (it copied a text once), so `xclip -o` is
# answered only by the window's own event loop, after the events before it. Two such round trips
# after the keystroke also cover what the keystroke queued (a queued edit, the repaint).
set -euo pipefail
if [ -z "${MIVRA_UNDER_XVFB:-}" ]; then
  MIVRA_UNDER_XVFB=1 exec bash "$(dirname "$0")/../tests/e2e/in_xvfb.sh" bash "$0" "$@"
fi
program=$(realpath "$1")
size=$2
source_log=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
fill=$here/fill_log.sql
source "$here/../tests/e2e/xvfb_support.sh"
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
db=data/backup.sqlite
tries=${MIVRA_WINDOW_TRIES:-9}

write_station_settings Quovan.txt
if [ -n "$source_log" ]; then
  mkdir -p data
  cp "$source_log" "$db"
else
  printf '<CALL:4>OK1A<QSO_DATE:8>20250101<TIME_ON:4>0000<BAND:2>2m<EOR>\n' > seed.adi
  "$program" import-adif seed.adi --data-dir data > /dev/null || fail "the first import did not create the log"
  sqlite3 "$db" -cmd "CREATE TEMP TABLE size(n); INSERT INTO size VALUES ($((size - 1)));" < "$fill"
fi
rm -rf data/backups
# The log as sqlite3 reads it beside the window, waiting while the window writes.
query() { sqlite3 -cmd ".timeout 5000" "$db" "$1"; }
count() { query "SELECT count(*) FROM logtab"; }
[ "$(count)" -ge "$size" ] || fail "the log holds $(count) contacts, not $size"
load_places "$program"

# Microseconds, read by bash itself: no process is started for the clock.
now() { echo "${EPOCHREALTIME/./}"; }
round_trip() {
  timeout 10 xclip -o -selection clipboard > /dev/null 2>&1 || fail "no answer"
  xclip -o -selection clipboard > /dev/null 2>&1
}
# Milliseconds from the keys given to the window's answer: timed KEYS... (sets took)
timed() {
  local started=${EPOCHREALTIME/./}
  xdotool key --delay 0 "$@"
  round_trip
  took=$(((${EPOCHREALTIME/./} - started) / 1000))
}
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
row_count_after() { for _ in $(seq 1 100); do [ "$(count)" -eq "$1" ] && return 0; sleep 0.05; done; return 1; }

start
focus_window "$window"
# The start-up copy of the log runs in the background: measured after it.
for _ in $(seq 1 1200); do
  ls -A data/backups 2>/dev/null | grep -q '^\.backup-' || { ls data/backups 2>/dev/null | grep -q . && break; }
  sleep 0.1
done
sleep 1
# The window takes the clipboard once.
click_control "$window" main txtStr
xdotool type --delay 0 MIVRA
xdotool key --delay 0 ctrl+a ctrl+c ctrl+a BackSpace
for _ in $(seq 1 50); do [ "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)" = MIVRA ] && break; sleep 0.1; done
[ "$(timeout 2 xclip -o -selection clipboard 2>/dev/null)" = MIVRA ] || fail "the window did not take the clipboard"

floor=()
for _ in $(seq 1 "$tries"); do timed shift; floor+=("$took"); sleep 0.2; done

# Save: a callsign and locator typed, Enter along the row up to Save, Enter on Save.
save=()
for i in $(seq 1 "$tries"); do
  before=$(count)
  click_control "$window" main addnew
  sleep 0.3
  xdotool type --delay 0 "OK${i}XYZ"
  xdotool key --delay 0 Return
  sleep 0.3
  xdotool type --delay 0 JO70AA
  xdotool key --delay 50 Return Return Return Return Return Return Return Return Return
  sleep 0.5
  timed Return; save+=("$took")
  row_count_after $((before + 1)) || fail "Save stored no row"
  sleep 0.3
done

cell() { middle grid "1.$1"; }
# The grid back at its first row and column, where the places helper finds its cells.
grid_home() {
  click_at "$window" $(cell Date)
  xdotool key --delay 0 ctrl+Home
  sleep 0.3
}
# A grid edit: the comment of the newest row, Enter.
edit=()
for i in $(seq 1 "$tries"); do
  grid_home
  xdotool mousemove --window "$window" $(cell Comment) click --repeat 2 --delay 60 1
  sleep 0.4
  xdotool key --delay 0 ctrl+a
  xdotool type --delay 0 "remark $i"
  timed Return; edit+=("$took")
  for _ in $(seq 1 100); do
    [ "$(query "SELECT count(*) FROM logtab WHERE Comment = 'remark $i'")" -eq 1 ] && break
    sleep 0.05
  done
  [ "$(query "SELECT count(*) FROM logtab WHERE Comment = 'remark $i'")" -eq 1 ] || fail "edit $i not stored"
  sleep 0.3
done

# Ctrl+Z of a delete: the newest row deleted (Delete, Yes), then brought back.
undo=()
for _ in $(seq 1 "$tries"); do
  before=$(count)
  grid_home
  click_at "$window" $(cell Callsign)
  sleep 0.3
  xdotool key --delay 0 Delete
  sleep 1
  xdotool key Return
  row_count_after $((before - 1)) || fail "the row was not deleted"
  focus_window "$window"
  sleep 0.5
  timed ctrl+z; undo+=("$took")
  row_count_after "$before" || fail "Ctrl+Z did not bring the row back"
  sleep 0.3
done

# The QSL state of the first hundred rows: selected from the first row down, an entry of the
# context menu clicked.
state=()
for i in $(seq 1 "$tries"); do
  grid_home
  click_at "$window" $(cell Callsign)
  sleep 0.3
  xdotool key --delay 20 shift+Down shift+Down shift+Down shift+Down shift+Down shift+Down shift+Down shift+Down \
    shift+Down
  xdotool key --delay 100 shift+Next shift+Next shift+Next shift+Next shift+Next shift+Next shift+Next shift+Next
  sleep 0.5
  letter=$([ $((i % 2)) -eq 0 ] && echo N || echo B)
  entry=$([ "$letter" = N ] && echo 'No_card_(N)' || echo 'Beacon_report_(B)')
  # The menu opens with its corner at the pointer, on a selected row: the selection stays.
  read -r menu_x menu_y <<<"$(middle grid 2.Callsign)"
  xdotool mousemove --window "$window" "$menu_x" "$menu_y" click 3
  sleep 0.7
  read -r entry_x entry_y <<<"$(middle menu "$entry")"
  xdotool mousemove --window "$window" $((menu_x + entry_x)) $((menu_y + entry_y))
  sleep 0.3
  had=$(query "SELECT count(*) FROM logtab WHERE QSL = '$letter'")
  started=$(now)
  xdotool click 1
  round_trip
  state+=($((($(now) - started) / 1000)))
  sleep 0.5
  changed=$(($(query "SELECT count(*) FROM logtab WHERE QSL = '$letter'") - had))
  [ "$changed" -ge 50 ] || fail "the state change reached $changed rows"
done

# A band click: 432 MHz and 144 MHz in turn.
bandClick=()
for i in $(seq 1 "$tries"); do
  band=$([ $((i % 2)) -eq 0 ] && echo 10 || echo 11)
  xdotool mousemove --window "$window" $(middle main "OptBand.$band")
  sleep 0.2
  started=$(now)
  xdotool click 1
  round_trip
  bandClick+=($((($(now) - started) / 1000)))
  sleep 0.5
done
stop

line() { printf '"BM_%s/%s",%s,%s,%s,ms\n' "$1" "$size" "$tries" "$2" "$2"; }
usual=$(median "${floor[@]}")
for pair in "WindowSave:${save[*]}" "WindowGridEdit:${edit[*]}" "WindowUndoDelete:${undo[*]}" \
  "WindowQslState100:${state[*]}" "WindowBandClick:${bandClick[*]}"; do
  name=${pair%%:*}
  read -ra values <<<"${pair#*:}"
  line "$name" "$(median "${values[@]}")"
  line "${name}Raw" "$usual"
done
echo "window timing at $size: floor ${floor[*]}; save ${save[*]}; edit ${edit[*]}; undo ${undo[*]};" \
  "state ${state[*]}; band ${bandClick[*]}" >&2
