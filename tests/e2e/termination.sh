#!/usr/bin/env bash
# SIGTERM ends the program at any moment: while a start-up message is up, and when the close it starts meets
# an error. The close steps run, their errors go to standard error, and the status is non-zero.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
patterns_ending_in() { sqlite3 "$1" "SELECT COUNT(*) FROM dxccdata WHERE substr(dxcccode, -1) = '$2'"; }
# 1. The settings file cannot be read (a folder of that name): its message is up when the signal comes.
mkdir -p "$work/unreadable/Quovan.txt"
cd "$work/unreadable"
"$program" --data-dir "$work/unreadable/data" 2>stderr.txt &
pid=$!
box=$(wait_box)
[ -n "$box" ] || fail "no start-up message: $(cat stderr.txt)"
terminate
[ "$status" -ne 0 ] || fail "status 0 after a start that did not complete"
grep -q "Cannot write the settings file" stderr.txt || fail "the close error is not on standard error: $(cat stderr.txt)"
[ "$(patterns_ending_in data/backup.sqlite '%')" -eq 0 ] || fail "the close steps did not run"

# 2. The settings cannot be saved (read-only file in a read-only folder): the close that the signal starts
#    writes the error to standard error instead of waiting on a box. Run as nobody where root ignores modes.
runas=()
if [ "$(id -u)" -eq 0 ]; then
  runas=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME=/tmp)
fi
mkdir -p "$work/readonly/data"
write_station_settings "$work/readonly/Quovan.txt"
cp "$work/readonly/Quovan.txt" "$work/settings.before"
[ "$(id -u)" -ne 0 ] || chown -R nobody:nogroup "$work/readonly"
chmod 755 "$work"
chmod 444 "$work/readonly/Quovan.txt"
chmod 555 "$work/readonly"
cd "$work/readonly"
db=data/backup.sqlite
QT_QPA_PLATFORM=offscreen "${runas[@]}" "$program" --data-dir "$work/readonly/data" 2>"$work/stderr2.txt" &
pid=$!
for _ in $(seq 1 200); do
  [ -s "$db" ] && [ "$(patterns_ending_in "$db" '%' 2>/dev/null || echo 0)" -gt 0 ] && break
  sleep 0.1
done
[ "$(patterns_ending_in "$db" '%')" -gt 0 ] || fail "the program did not start: $(cat "$work/stderr2.txt")"
sleep 0.5
terminate
[ "$status" -ne 0 ] || fail "status 0 after a close step failed"
grep -q "Cannot write the settings file" "$work/stderr2.txt" || fail "no error on standard error: $(cat "$work/stderr2.txt")"
[ "$(patterns_ending_in "$db" '%')" -eq 0 ] || fail "the patterns were not switched back"
cmp -s "$work/settings.before" Quovan.txt || fail "the settings file changed"
echo "termination: ok"
