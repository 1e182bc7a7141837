# Sourced by the e2e scripts that run the program's commands without a display: a work folder that
# goes at the end (with a program still running in $pid), fail, and a first log in d/.
set -euo pipefail
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY
db=d/backup.sqlite

# The log made by a first import of one contact (with the ADIF fields given, if any), without the
# backups that import made.
seed_log() {
  printf '<CALL:4>OK1A<QSO_DATE:8>20250101<TIME_ON:4>0000<BAND:2>2m%s<EOR>\n' "${1:-}" > seed.adi
  "$program" import-adif seed.adi --data-dir d > /dev/null || fail "the first import did not create the log"
  rm -rf d/backups
}

# Runs a command of the program on the log in FOLDER (its output in import.txt) and kills it with
# SIGKILL inside its write transaction: once the log file has grown, or once the journal has been
# there for POLLS polls of 10 ms. Fails when the program ended first or left no journal.
kill_inside_transaction() { # FOLDER POLLS ARGUMENTS...
  local folder=$1 polls=$2 size journal_seen=0
  shift 2
  size=$(stat -c %s "$folder/backup.sqlite")
  "$program" "$@" --data-dir "$folder" > import.txt 2>&1 &
  pid=$!
  for _ in $(seq 1 6000); do
    if [ -s "$folder/backup.sqlite-journal" ]; then
      [ "$(stat -c %s "$folder/backup.sqlite")" -gt "$size" ] && break
      journal_seen=$((journal_seen + 1))
      [ "$journal_seen" -ge "$polls" ] && break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  kill -KILL "$pid" 2>/dev/null || fail "$folder: the program ended before it was killed: $(cat import.txt)"
  wait "$pid" 2>/dev/null || true
  pid=
  [ -s "$folder/backup.sqlite-journal" ] || fail "$folder: no journal left: the kill did not land inside the transaction"
}
