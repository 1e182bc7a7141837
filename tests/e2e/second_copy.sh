#!/usr/bin/env bash
# A second program on a data folder in use says so and ends with a non-zero status, changing neither the log
# nor the settings; the first goes on. A lock left by a killed program is taken over by the next start.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
work=$(mktemp -d)
pid=
second=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; [ -n "$second" ] && kill -KILL "$second" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
db=data/backup.sqlite
running_patterns() { sqlite3 "$db" "SELECT COUNT(*) FROM dxccdata WHERE substr(dxcccode, -1) = '%'"; }

write_station_settings Quovan.txt
"$program" --data-dir "$work/data" 2>first.txt &
pid=$!
[ -n "$(wait_window "$main_title")" ] || fail "no main window: $(cat first.txt)"
running=$(running_patterns)
[ "$running" -gt 5000 ] || fail "the first program did not switch the patterns"
sha256sum "$db" Quovan.txt > before.sha256
cp "$db" log.before
cp Quovan.txt settings.before

"$program" --data-dir "$work/data" 2>second.txt &
second=$!
box=$(wait_box)
[ -n "$box" ] || fail "the second program showed no message: $(cat second.txt)"
text=$(box_text "$box")
case "$text" in
  *"data folder $work/data"*"in use"*) ;;
  *) fail "message: '$text'" ;;
esac
grep -q "in use" second.txt || fail "nothing on standard error: $(cat second.txt)"
close_box "$box" || fail "the message box does not close"
status=0
timeout 10 tail --pid="$second" -f /dev/null || fail "the second program did not end"
wait "$second" || status=$?
second=
[ "$status" -ne 0 ] || fail "the second program ended with status 0"

sha256sum --quiet -c before.sha256 || fail "a file changed"
cmp -s log.before "$db" && cmp -s settings.before Quovan.txt || fail "a file changed"
kill -0 "$pid" 2>/dev/null || fail "the first program has ended"
[ "$(running_patterns)" -eq "$running" ] || fail "the patterns of the running program were switched back"

# A crash leaves the lock behind; the next start takes it over.
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
pid=
[ -e data/backup.sqlite.lock ] || fail "no lock file beside the log"
"$program" --data-dir "$work/data" 2>third.txt &
pid=$!
[ -n "$(wait_window "$main_title")" ] || fail "no start after a crash: $(cat third.txt)"
terminate
[ "$status" -eq 0 ] || fail "exit status $status: $(cat third.txt)"
[ ! -e data/backup.sqlite.lock ] || fail "the lock stays after the end"
# A crash or power cut while the lock was written leaves an empty lock file: an old one is taken over too.
: > data/backup.sqlite.lock
touch -d '-1 min' data/backup.sqlite.lock
"$program" --data-dir "$work/data" 2>fourth.txt &
pid=$!
[ -n "$(wait_window "$main_title")" ] || fail "no start beside an empty lock file: $(cat fourth.txt)"
terminate
[ "$status" -eq 0 ] || fail "exit status $status beside an empty lock file: $(cat fourth.txt)"
echo "second copy: ok ($text)"
