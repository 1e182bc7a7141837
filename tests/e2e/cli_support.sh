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
