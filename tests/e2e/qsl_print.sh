#!/usr/bin/env bash
# Prints QSL cards as a person does: QSL button, "Print all qsl  Y>N", the message dismissed, "Exit QSL".
# Without a printer the cards become PDF files; they and the log are checked with pdfinfo, pdftotext and sqlite3.
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$here/control_places.sh"
load_places "$program"
# Where drive.sh clicks: the middles of the buttons it presses.
AT_QSL=$(middle main QSL)
AT_PRINT_ALL=$(middle qsl Command1)
AT_CANCEL_PRINT=$(middle qsl StopPrint)
AT_EXIT_QSL=$(middle qsl Exit)
export AT_QSL AT_PRINT_ALL AT_CANCEL_PRINT AT_EXIT_QSL

# No print server: the program must find no default printer and write PDF files.
export CUPS_SERVER="$work/no-cups.sock"
unset PRINTER LPDEST

# A first start creates the log; then five contacts waiting for a card (two stations) and one other.
QT_QPA_PLATFORM=offscreen "$program" --data-dir "$work/data" 2>stderr.txt &
pid=$!
for _ in $(seq 1 200); do [ -s data/backup.sqlite ] && [ -s Quovan.txt ] && break; sleep 0.1; done
sleep 0.5
kill -TERM "$pid"; wait "$pid" || true; pid=
db=data/backup.sqlite
printf '"DL1XYZ"\r\n"JO62QM12"\r\n1\r\n1\r\n10\r\n"Info line"\r\n"Line two"\r\n"Line three"\r\n"Line four"\r\n"Address"\r\n"Footer"\r\n128\r\n1\r\n' > Quovan.txt
sqlite3 "$db" "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, Band, mode, QSL, QRB, QTF) VALUES
  ('2026-05-01', '10:05', 'OK1ABC', 'JO70AA', '59', '144', 'SSB', 'Y', 250, 120),
  ('2026-05-02', '11:15', 'SP2XYZ', 'JO93AA', '57', '432', 'CW', 'Y', 480, 60),
  ('2026-05-03', '12:25', 'OK1ABC', 'JO70AA', '55', '1296', 'SSB', 'Y', 250, 120),
  ('2026-05-04', '13:35', 'OK1ABC', 'JO70AA', '59', '10368', 'FM', 'Y', 250, 120),
  ('2026-05-05', '14:45', 'SP2XYZ', 'JO93AA', '599', '144', 'CW', 'Y', 480, 60),
  ('2026-05-06', '15:55', 'DL9OLD', 'JO62AA', '59', '144', 'SSB', 'N', 10, 5),
  ('2026-05-07', '16:05', 'DL8EMP', 'JO62AA', '59', '144', 'SSB', '', 10, 5)"

# drive.sh PROGRAM MODE: QSL button, "Print all qsl  Y>N", the message dismissed; MODE "exit" then
# clicks "Cancel Print" (the rows with an empty state) and "Exit QSL" and checks that the main window is
# back. Ends the program with SIGTERM.
cat > drive.sh <<'DRIVE'
set -euo pipefail
program=$1
mode=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
# The visible window of that title, polled up to 10 s; fails when none comes.
window() {
  local id
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# The keyboard focus to a window, polled up to 5 s.
focus() {
  for _ in $(seq 1 50); do
    xdotool windowfocus "$1" 2>/dev/null || true
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.3; }
QT_QPA_PLATFORM=xcb "$program" --data-dir "$PWD/data" 2>>stderr.txt &
pid=$!
trap 'kill -KILL $pid 2>/dev/null || true' EXIT
main=$(window '^MivraQ') || fail "main window not shown"
sleep 0.5
click "$main" $AT_QSL
form6=$(window '^Form6$') || fail "QSL window not shown"
xdotool search --onlyvisible --name '^MivraQ' >/dev/null && fail "main window still shown"
sleep 0.3
click "$form6" $AT_PRINT_ALL
box=$(window '^Mivra$') || fail "no message after the run"
focus "$box"
xdotool key --clearmodifiers Return
sleep 0.5
xdotool search --onlyvisible --name '^Mivra$' >/dev/null && fail "message not dismissed"
if [ "$mode" = exit ]; then
  click "$form6" $AT_CANCEL_PRINT
  box=$(window '^Mivra$') || fail "no message after Cancel Print"
  focus "$box"
  xdotool key --clearmodifiers Return
  sleep 0.5
  focus "$form6"
  click "$form6" $AT_EXIT_QSL
  window '^MivraQ' >/dev/null || fail "main window not shown again"
  sleep 0.3
  xdotool search --onlyvisible --name '^Form6$' >/dev/null && fail "QSL window still shown"
fi
kill -TERM $pid
status=0; wait $pid || status=$?
trap - EXIT
[ "$status" -eq 0 ] || fail "exit status $status: $(cat stderr.txt)"
DRIVE
bash "$here/in_xvfb.sh" bash drive.sh "$program" exit || fail "driven run"

# Two one-page cards, in callsign order, each showing its station; then the card of "Cancel Print".
mapfile -t cards < <(ls data/qsl-cards)
[ "${#cards[@]}" -eq 3 ] || fail "expected 3 card files, found: ${cards[*]:-none}"
[[ "${cards[0]}" == *OK1ABC*.pdf && "${cards[1]}" == *SP2XYZ*.pdf ]] || fail "card names: ${cards[*]}"
[ "${cards[2]}" = 000003-DL8EMP.pdf ] || fail "Cancel Print card: ${cards[*]}"
[ "$(sqlite3 "$db" "SELECT QSL FROM logtab WHERE Callsign = 'DL8EMP'")" = "" ] || fail "Cancel Print changed a state"
for card in "${cards[@]}"; do
  [ "$(pdfinfo "data/qsl-cards/$card" | awk '/^Pages:/ {print $2}')" = 1 ] || fail "$card is not one page"
done
text=$(pdftotext -layout "data/qsl-cards/${cards[0]}" -)
for expected in OK1ABC DL1XYZ JO62QM 12 "Info line" "Line four" "PSE QSL" "01.05.26" "10: 05" "10,368" "Confirming 2-way QSO with:"; do
  grep -qF -- "$expected" <<<"$text" || fail "first card lacks '$expected': $text"
done
grep -qF "SP2XYZ" <<<"$text" && fail "first card shows the other station"

# The five rows advanced to N; the other row untouched.
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE QSL = 'N' AND Callsign IN ('OK1ABC', 'SP2XYZ')")" -eq 5 ] \
  || fail "rows not at N: $(sqlite3 "$db" "SELECT Callsign, QSL FROM logtab")"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE QSL = 'Y'")" -eq 0 ] || fail "rows left at Y"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab")" -eq 7 ] || fail "row count changed"

# A card folder the user cannot write: no card, and the rows keep Y for the next run. As root (CI) the
# program runs as nobody, since root writes anywhere.
sqlite3 "$db" "UPDATE logtab SET QSL = 'Y' WHERE Callsign IN ('OK1ABC', 'SP2XYZ')"
rm -f data/qsl-cards/*
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown -R nobody:nogroup "$work"
  chown root:root data/qsl-cards
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work")
else
  chmod 555 data/qsl-cards
fi
"${as_user[@]}" bash "$here/in_xvfb.sh" bash drive.sh "$program" stay || fail "driven run, unwritable"
chmod 755 data/qsl-cards
[ -z "$(ls data/qsl-cards)" ] || fail "cards written to a folder the user cannot write: $(ls data/qsl-cards)"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE QSL = 'Y'")" -eq 5 ] \
  || fail "rows of unprinted cards advanced: $(sqlite3 "$db" "SELECT Callsign, QSL FROM logtab")"
echo "qsl print: ok (${cards[*]}; nothing lost when the card folder is read-only)"
