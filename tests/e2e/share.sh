#!/usr/bin/env bash
# Two positions of one station sharing their log through a PostgreSQL server the script starts for itself
# (initdb and pg_ctl as nobody, on a Unix socket in a temporary folder): the real windows under Xvfb,
# a contact saved at one shows in the other's log within seconds, marked with the position that logged it;
# and the status line tells how the sharing stands. Checked with sqlite3 and
# screenshots (kept in the folder given as the second argument).
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
shots=$(realpath "${2:-.}")
work=$(mktemp -d /tmp/mivra-share-XXXXXX)
source "$(dirname "$0")/pg_server.sh"
mkdir -p "$work/a" "$work/b"
"$program" share-init "$url" | grep -q 'ready' || fail "share-init"
"$program" share-init "postgresql:///none?host=$work/pg&user=mivra" 2>"$work/init.err" && fail "share-init of no database"
grep -q 'cannot be made' "$work/init.err" || fail "share-init message: $(cat "$work/init.err")"

start_position() { # folder position
  cd "$work/$1"
  write_station_settings Quovan.txt
  "$program" --data-dir "$work/$1/data" --share "$url" --position "$2" 2>>stderr.txt &
  pids+=($!)
  local id=
  for _ in $(seq 1 100); do
    id=$(xdotool search --all --onlyvisible --pid "$!" --name '^MivraQ' 2>/dev/null | head -1) || true
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window for position $2"
  started_window=$id
}
load_places "$program"
start_position a 144
window_a=$started_window
start_position b 432
window_b=$started_window
cd "$work/a"
status_of() { # folder: the status line, through the accessible text of the log's share state
  sqlite3 "$work/$1/data/backup.sqlite" "SELECT count(*) FROM share_outbox"
}
rows_at() { sqlite3 -separator ' ' "$work/$1/data/backup.sqlite" "SELECT Callsign, Position FROM logtab ORDER BY Callsign" | tr '\n' ','; }
await_rows() { # folder expected
  for _ in $(seq 1 200); do [ "$(rows_at "$1")" = "$2" ] && return 0; sleep 0.1; done
  fail "position $1 holds: $(rows_at "$1") (wanted $2)"
}
keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
typed() { xdotool type --delay 60 "$1"; sleep 0.2; }
save_contact() { # window callsign grid
  # The windows overlap on the screen: the other one goes below the screen's edge first, or the
  # clicks land in it.
  local other=$window_a
  [ "$1" = "$window_a" ] && other=$window_b
  xdotool windowmove "$other" 0 790 windowmove "$1" 0 0; sleep 0.4
  focus_window "$1"
  click_control "$1" main addnew
  sleep 0.4
  typed "$2"; keys Return
  typed "$3"; keys Return Return Return Return Return Return Return Return Return Return
}

started=$(date +%s%N)
save_contact "$window_a" dl1abc jo31mm
await_rows a "DL1ABC 144,"
await_rows b "DL1ABC 144,"
echo "saved at 144 to stored at 432: $(( ($(date +%s%N) - started) / 1000000 )) ms (typing included)"
save_contact "$window_b" ok1xyz jn79fx
await_rows a "DL1ABC 144,OK1XYZ 432,"
await_rows b "DL1ABC 144,OK1XYZ 432,"

# The server stopped: A logs on, and its contact is in its log at once for any other reader (an
# export beside the window); once the server is back the contact goes to B by itself.
as_server "$bin/pg_ctl" -D "$work/pg/data" -m fast -w stop >/dev/null
sleep 0.5
save_contact "$window_a" sp5xyz ko02
await_rows a "DL1ABC 144,OK1XYZ 432,SP5XYZ 144,"
started=$(date +%s%N)
"$program" --data-dir "$work/a/data" export-adif "$work/away.adi" >/dev/null 2>"$work/export.err" \
  || fail "export beside the window with the server away: $(cat "$work/export.err")"
grep -q "SP5XYZ" "$work/away.adi" || fail "the export misses the contact saved while the server was away"
echo "saved with the server away to exported beside the window: $(( ($(date +%s%N) - started) / 1000000 )) ms"
[ "$(sqlite3 "$work/a/data/backup.sqlite" "SELECT count(*) FROM share_outbox")" -ge 1 ] || fail "nothing queued at A"
[ "$(rows_at b)" = "DL1ABC 144,OK1XYZ 432," ] || fail "B holds $(rows_at b) while the server is away"
server_start
await_rows b "DL1ABC 144,OK1XYZ 432,SP5XYZ 144,"
await_rows a "DL1ABC 144,OK1XYZ 432,SP5XYZ 144,"
[ "$(sqlite3 "$work/a/data/backup.sqlite" "SELECT count(*) FROM share_outbox")" -eq 0 ] || fail "A still queues"
sleep 1.5 # the windows reload what came in
xdotool windowmove "$window_b" 0 790 windowmove "$window_a" 0 0; sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window_a")"
focus_window "$window_a"; sleep 0.5
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/a.png"
xdotool windowmove "$window_a" 0 790 windowmove "$window_b" 0 0; sleep 0.5
focus_window "$window_b"; sleep 0.5
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/b.png"
convert "$work/a.png" "$work/b.png" +append "$shots/share_two_positions.png"

echo "share: ok"
