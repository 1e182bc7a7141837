#!/usr/bin/env bash
# Three positions of one station, each a real window with its own data folder, sharing their log
# through a PostgreSQL server of the script's own. Contacts come in through the window's ADIF import
# (as fast as the program takes them), at all three at once. Afterwards every local log and the
# server must hold the same contacts field for field: after the three imports; after a position
# killed while it pushes and started again; after the server killed while a new position pulls;
# after the server stopped while two positions log on; and after one contact edited at two
# positions while apart and another deleted at one and edited at the other (the losing position
# is told). Checked with sqlite3 and psql.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
work=$(mktemp -d /tmp/mivra-positions-XXXXXX)
source "$(dirname "$0")/pg_server.sh"
"$program" share-init "$url" >/dev/null || fail "share-init"
load_places "$program"

declare -A pid_of window_of
start_position() { # folder position
  mkdir -p "$work/$1"
  cd "$work/$1"
  write_station_settings Quovan.txt
  local id= attempt before
  # A start that could not reach the display is the test's display failing: once more.
  for attempt in 1 2; do
    before=$(stat -c %s stderr.txt 2>/dev/null || echo 0)
    "$program" --data-dir "$work/$1/data" --share "$url" --position "$2" 2>>stderr.txt &
    pids+=($!)
    pid_of[$1]=$!
    for _ in $(seq 1 100); do
      id=$(xdotool search --all --onlyvisible --pid "$!" --name '^MivraQ' 2>/dev/null | head -1) || true
      [ -n "$id" ] && break
      kill -0 "${pid_of[$1]}" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$id" ] && break
    tail -c +$((before + 1)) stderr.txt | grep -q "platform plugin" || break
    for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
  done
  [ -n "$id" ] || fail "no window for position $2: $(grep -v XDG_RUNTIME stderr.txt | tail -5)"
  window_of[$1]=$id
  xdotool windowmove "$id" 0 790
}
# The windows overlap: the one worked in comes to the top of the screen, the others below its edge.
front() {
  local folder
  for folder in "${!window_of[@]}"; do
    [ "$folder" = "$1" ] || xdotool windowmove "${window_of[$folder]}" 0 790 2>/dev/null || true
  done
  xdotool windowmove "${window_of[$1]}" 0 0
  sleep 0.4
  focus_window "${window_of[$1]}" || true
}
# count contacts from first on, callsigns prefix<n>, on the band given, into file.
adif() { # file prefix first count band
  sqlite3 -noheader :memory: "WITH RECURSIVE n(i) AS (SELECT $3 UNION ALL SELECT i + 1 FROM n WHERE i < $3 + $4 - 1)
    SELECT printf('<CALL:%d>%s<QSO_DATE:8>2026%02d%02d<TIME_ON:4>%02d%02d<BAND:%d>%s<MODE:2>CW'
                  || '<GRIDSQUARE:6>JO%02dAA<COMMENT:%d>%s<EOR>',
                  length(c), c, 1 + i % 12, 1 + i % 28, i % 24, i % 60, length('$5'), '$5', i % 90,
                  length('n' || i), 'n' || i)
    FROM (SELECT i, '$2' || i AS c FROM n)" > "$1"
}
# Opens the import at a position and types the file's name; Return is left to go().
declare -A dialog_of
prepare_import() { # folder file
  front "$1"
  local dialog= attempt
  for attempt in 1 2 3; do
    xdotool mousemove --window "${window_of[$1]}" 300 120 click 1
    sleep 0.3
    xdotool mousemove --window "${window_of[$1]}" 300 120 click 3
    sleep "$attempt"
    xdotool key --repeat 3 --delay 100 Down
    xdotool key Return
    for _ in $(seq 1 50); do
      dialog=$(xdotool search --all --onlyvisible --pid "${pid_of[$1]}" --name '^Import ADIF' 2>/dev/null | head -1) || true
      [ -n "$dialog" ] && break
      sleep 0.1
    done
    [ -n "$dialog" ] && break
    xdotool key Escape
  done
  [ -n "$dialog" ] || fail "no import dialog at $1"
  dialog_of[$1]=$dialog
  focus_window "$dialog" || true
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 5 "$2"
  sleep 0.3
  # Out of the way of the next position's clicks.
  xdotool windowmove "$dialog" 600 790
}
# Return, once more when the first only took the name the file box completed.
go() {
  local _
  for _ in 1 2 3; do
    focus_window "${dialog_of[$1]}" || true
    xdotool key Return
    sleep 0.3
    xdotool search --all --onlyvisible --pid "${pid_of[$1]}" --name '^Import ADIF' >/dev/null 2>&1 || return 0
  done
  fail "the import dialog at $1 stays"
}
# Every message box closed (an import's word, a position's first sync that failed).
close_boxes() {
  local box
  for _ in $(seq 1 20); do
    box=$(xdotool search --onlyvisible --name '^Mivra$' 2>/dev/null | head -1) || true
    [ -n "$box" ] || return 0
    focus_window "$box" || true
    xdotool key Return
    sleep 0.3
  done
  fail "message boxes stay open"
}
# The id of a message box of a position, once it shows (empty after 10 s without one).
box_of() { # folder
  local box=
  for _ in $(seq 1 100); do
    box=$(xdotool search --all --onlyvisible --pid "${pid_of[$1]}" --name '^Mivra$' 2>/dev/null | head -1) || true
    [ -n "$box" ] && break
    sleep 0.1
  done
  echo "$box"
}
# Waits for the word an import ends with, which may show a moment after its contacts are stored.
await_import_box() { # folder
  [ -n "$(box_of "$1")" ] || fail "no word from the import at $1"
}
# Waits until a position's log holds rows contacts.
await_rows() { # folder rows
  for _ in $(seq 1 300); do [ "$(at "$1" "SELECT count(*) FROM logtab")" -eq "$2" ] && return 0; sleep 0.2; done
  fail "$1 holds $(at "$1" "SELECT count(*) FROM logtab") contacts, not $2"
}

log_of() { echo "$work/$1/data/backup.sqlite"; }
at() { sqlite3 -cmd ".timeout 5000" "$(log_of "$1")" "$2"; }
server() { "$bin/psql" -X -A -t -q "$url" -c "$1"; }
columns=
# Every column but the local row number, in one line per contact, ordered by identity.
contacts_of() {
  [ -n "$columns" ] || columns=$(at "$1" "SELECT group_concat(name, ', ') FROM pragma_table_info('logtab') WHERE name <> 'ID'")
  at "$1" "SELECT $columns FROM logtab ORDER BY Uuid" | md5sum
}
key_fields="Uuid, Date, GMT, Callsign, Grid, Band, mode, Comment, Nam, Position"
keys_of() { sqlite3 -cmd ".timeout 5000" -separator '|' "$(log_of "$1")" "SELECT $key_fields FROM logtab ORDER BY Uuid" | md5sum; }
server_keys() {
  server "SELECT uuid, fields->>'Date', fields->>'GMT', fields->>'Callsign', fields->>'Grid', fields->>'Band',
                 fields->>'mode', fields->>'Comment', fields->>'Nam', fields->>'Position'
          FROM mivra_contact WHERE NOT deleted ORDER BY uuid" | md5sum
}
# All positions given hold the same contacts, field for field, and so does the server; total of them.
converged() { # total folder...
  local total=$1 first=$2 folder
  shift
  for folder in "$@"; do
    [ "$(at "$folder" "SELECT count(*), count(DISTINCT Uuid) FROM logtab")" = "$total|$total" ] || return 1
  done
  [ "$(server "SELECT count(*) FROM mivra_contact WHERE NOT deleted")" = "$total" ] || return 1
  for folder in "$@"; do
    [ "$(contacts_of "$folder")" = "$(contacts_of "$first")" ] || return 1
  done
  [ "$(keys_of "$first")" = "$(server_keys)" ]
}
await_converged() { # what total folder...
  local what=$1
  shift
  for _ in $(seq 1 300); do converged "$@" && return 0; sleep 0.2; done
  fail "$what: not converged ($(for f in "${@:2}"; do echo -n "$f: $(at "$f" "SELECT count(*) FROM logtab") "; done)server: $(server "SELECT count(*) FROM mivra_contact WHERE NOT deleted"), wanted $1)"
}
ms_since() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

start_position a 144
start_position b 432
start_position c 1296

# Three imports of 1,000 at once. A's file also holds the two newest contacts of the log, the first
# two rows of every grid, edited below.
mkdir -p "$work/in"
adif "$work/in/a.adi" SP1A 1 1000 2m
printf '<CALL:5>OK1AA<QSO_DATE:8>20261231<TIME_ON:4>2359<BAND:2>2m<MODE:2>CW<EOR>\n' >> "$work/in/a.adi"
printf '<CALL:5>OK1BB<QSO_DATE:8>20261231<TIME_ON:4>2358<BAND:2>2m<MODE:2>CW<EOR>\n' >> "$work/in/a.adi"
adif "$work/in/b.adi" SP2B 1 1000 70cm
adif "$work/in/c.adi" SP3C 1 1000 23cm
prepare_import a "$work/in/a.adi"
prepare_import b "$work/in/b.adi"
prepare_import c "$work/in/c.adi"
go a; go b; go c
started=$(date +%s%N)
await_converged "three imports" 3002 a b c
echo "three positions, 1,000 contacts each: converged $(ms_since "$started") ms after the last import began"
# Their words may show late; one may have taken a Return meant for the next position's dialog.
for folder in a b c; do box_of "$folder" >/dev/null; done
close_boxes
[ "$(at b "SELECT count(*) FROM logtab WHERE Position = '144' AND Band = '144'")" -eq 1002 ] || fail "A's contacts at B"
[ "$(at a "SELECT count(*) FROM logtab WHERE Position = '1296' AND Band = '1296'")" -eq 1000 ] || fail "C's contacts at A"

# A killed while it pushes 60,000 (so that a new position pulls more than one batch); started again
# it sends the rest, nothing twice.
adif "$work/in/a2.adi" SP4A 1 60000 2m
prepare_import a "$work/in/a2.adi"; go a
before=$(server "SELECT count(*) FROM mivra_contact WHERE position = '144'")
killed=
for _ in $(seq 1 1200); do
  now=$(server "SELECT count(*) FROM mivra_contact WHERE position = '144'")
  if [ "$now" -gt "$before" ] && [ "$now" -lt $((before + 60000)) ]; then
    kill -KILL "${pid_of[a]}"
    killed=$now
    break
  fi
  sleep 0.02
done
[ -n "$killed" ] || fail "the push of 60,000 was not caught under way"
wait "${pid_of[a]}" 2>/dev/null || true
echo "position 144 killed with $((killed - before)) of 60,000 contacts pushed"
unset 'window_of[a]'
start_position a 144
await_converged "a position killed while pushing" 63002 a b c

# The server killed while a new position pulls the whole log; it comes back, the pull goes on.
start_position d 2320
for _ in $(seq 1 1000); do
  [ "$(at d "SELECT count(*) FROM logtab" 2>/dev/null || echo 0)" -gt 0 ] && break
  sleep 0.01
done
pulled=$(at d "SELECT count(*) FROM logtab")
[ "$pulled" -gt 0 ] && [ "$pulled" -lt 63002 ] || fail "the first pull was not caught under way ($pulled)"
postmaster=$(head -1 "$work/pg/data/postmaster.pid")
server_processes=("$postmaster" $(pgrep -P "$postmaster"))
kill -KILL "${server_processes[@]}" 2>/dev/null || true
echo "server killed with $pulled of 63,002 contacts pulled"
for _ in $(seq 1 100); do kill -0 "${server_processes[@]}" 2>/dev/null || break; sleep 0.1; done
server_start
await_converged "the server killed while pulling" 63002 a b c d
close_boxes

# The server stopped for the middle of the contest: B and C log on, then it is back.
as_server "$bin/pg_ctl" -D "$work/pg/data" -m fast -w stop >/dev/null
adif "$work/in/b2.adi" SP5B 1 500 70cm
adif "$work/in/c2.adi" SP6C 1 500 23cm
prepare_import b "$work/in/b2.adi"; go b
await_rows b 63502
await_import_box b
close_boxes
prepare_import c "$work/in/c2.adi"; go c
await_rows c 63502
await_import_box c
close_boxes
[ "$(at b "SELECT count(*) FROM share_outbox")" -eq 500 ] || fail "B does not queue its contacts"
server_start
await_converged "the server back" 64002 a b c d

# Apart, B and C both edit the newest contact (C later) while B deletes the next one and C edits it.
grid_cell() { middle grid "$1.$2"; }
edit_name() { # folder row text
  front "$1"
  xdotool mousemove --window "${window_of[$1]}" $(grid_cell "$2" Nam) click --repeat 2 --delay 60 1
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 20 "$3"
  xdotool key Return
  sleep 0.5
}
as_server "$bin/pg_ctl" -D "$work/pg/data" -m fast -w stop >/dev/null
edit_name b 1 "Jan B"
front b
click_at "${window_of[b]}" $(grid_cell 2 Callsign)
sleep 0.3
xdotool key Delete
sleep 1
xdotool key Return
for _ in $(seq 1 50); do [ "$(at b "SELECT count(*) FROM logtab WHERE Callsign = 'OK1BB'")" -eq 0 ] && break; sleep 0.1; done
[ "$(at b "SELECT count(*) FROM logtab WHERE Callsign = 'OK1BB'")" -eq 0 ] || fail "B did not delete OK1BB"
sleep 1.1 # a later edit
edit_name c 1 "Jan C"
edit_name c 2 "Eva C"
[ "$(at b "SELECT Nam FROM logtab WHERE Callsign = 'OK1AA'")" = "Jan B" ] || fail "B's edit not stored"
[ "$(at c "SELECT Nam FROM logtab WHERE Callsign = 'OK1AA'")" = "Jan C" ] || fail "C's edit not stored"
[ "$(at c "SELECT Nam FROM logtab WHERE Callsign = 'OK1BB'")" = "Eva C" ] || fail "C's edit of OK1BB not stored"
server_start
await_converged "edits made apart" 64002 a b c d
[ "$(at a "SELECT Nam FROM logtab WHERE Callsign = 'OK1AA'")" = "Jan C" ] || fail "the later edit lost"
[ "$(at a "SELECT Nam FROM logtab WHERE Callsign = 'OK1BB'")" = "Eva C" ] || fail "the later edit lost to a delete"
box=$(box_of b)
[ -n "$box" ] || fail "B is not told that its changes lost"
front b
xdotool windowmove "$box" 100 100
told=$(box_text "$box")
grep -q "lost to later changes" <<<"$told" || fail "B is told: $told"
if xdotool search --all --onlyvisible --pid "${pid_of[c]}" --name '^Mivra$' >/dev/null 2>&1; then
  fail "C, whose edits won, is told something"
fi
echo "share positions: ok"
