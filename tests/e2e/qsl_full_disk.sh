#!/usr/bin/env bash
# A QSL print run whose log folder is a small tmpfs (so as root only) that is full: the hidden file of
# printed cards beside the log cannot be written at all, or grows until the disk is full. The cards go
# to a folder with room. The log stays whole (integrity_check), no row's state is advanced without its
# card on disk (pdfinfo), the message says what happened, and once there is room again the next run
# prints exactly the cards whose state was not advanced.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
work=$(mktemp -d)
pid=
mounts=()
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; for ((m = ${#mounts[@]} - 1; m >= 0; m--)); do umount "${mounts[m]}"; done;
  rm -rf "$work"' EXIT
cd "$work"
if [ "$(id -u)" -ne 0 ]; then
  echo "qsl full disk: not root, no tmpfs to fill: not tried" >&2
  exit 0
fi
tmpfs() { mkdir -p "$1"; mount -t tmpfs -o "size=$2" tmpfs "$1"; mounts+=("$work/$1"); }
fill() {
  rm -f "$1/fill"
  local avail
  avail=$(df -k "$1" | awk 'NR == 2 { print $4 }')
  dd if=/dev/zero of="$1/fill" bs=1k count=$((avail - ${2:-0})) 2>/dev/null || true
}
export CUPS_SERVER="$work/no-cups.sock"
unset PRINTER LPDEST
load_places "$program"

# A log of 100 stations in state Y, four contacts each (one card), with IDs of 13 digits: a card's lines
# in the hidden file take some 70 bytes, so that one page of it is full after some 55 cards.
stations=100
mkdir seed
printf '"DL1XYZ"\r\n"JO62QM"\r\n1\r\n1\r\n10\r\n"Info line"\r\n""\r\n""\r\n""\r\n""\r\n""\r\n128\r\n1\r\n' > Quovan.txt
printf '<CALL:4>OK1A<QSO_DATE:8>20250101<TIME_ON:4>0000<BAND:2>2m<EOR>\n' > seed.adi
"$program" import-adif seed.adi --data-dir seed > /dev/null || fail "the first import did not create the log"
sqlite3 seed/backup.sqlite "DELETE FROM logtab;
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4 * $stations)
  INSERT INTO logtab (ID, Date, GMT, Callsign, Grid, rsts, Band, mode, QSL, QRB, QTF)
  SELECT 1000000000000 + i, '2026-05-01', printf('%02d:%02d', i / 60, i % 60), 'OK' || (i % $stations) || 'QSL',
         'JO70AA', '59', '144', 'SSB', 'Y', 250, 120 FROM n"

states() { sqlite3 "$1/backup.sqlite" "SELECT group_concat(Callsign || '=' || QSL, ' ') FROM
  (SELECT * FROM logtab ORDER BY ID)"; }
# One run in the window on the log in DIR: the message it ends with is left in message.
print_all() {
  "$program" --data-dir "$work/$1" 2>>stderr.txt &
  pid=$!
  window=$(wait_window '^MivraQ')
  [ -n "$window" ] || fail "no main window: $(tail -5 stderr.txt)"
  # The start-up copy of the log is made before the disk fills.
  for _ in $(seq 1 100); do
    ls -A "$1/backups" 2>/dev/null | grep -q '^\.backup-' || { ls "$1/backups" 2>/dev/null | grep -q . && break; }
    sleep 0.1
  done
  sleep 0.5
  click_control "$window" main QSL
  local form X Y WIDTH HEIGHT SCREEN WINDOW
  form=$(wait_window '^Form6$')
  [ -n "$form" ] || fail "no QSL window"
  sleep 0.3
  if [ -n "${2:-}" ]; then fill "$1" "$2"; fi
  click_control "$form" qsl Command1
  box=$(wait_window '^Mivra$' 60)
  [ -n "$box" ] || fail "no message after the run"
  eval "$(xdotool getwindowgeometry --shell "$box")"
  xdotool mousemove --window "$box" $((WIDTH / 2)) 17 mousedown 1 sleep 0.2 \
    mousemove --window "$box" $((WIDTH - 12)) $((HEIGHT - 48)) sleep 0.2 mouseup 1
  sleep 0.3
  message=$(xclip -o -selection primary 2>/dev/null || true)
  shot "qsl_full_disk_${1}_${2:-room}"
  close_box "$box" || fail "message not closed"
  terminate
}
# Every station whose rows left state Y has its card, whole; prints how many did.
check_cards() {
  local advanced callsign
  [ "$(sqlite3 "$1/backup.sqlite" "PRAGMA integrity_check")" = ok ] || fail "$2: the log is not whole"
  advanced=$(sqlite3 "$1/backup.sqlite" "SELECT DISTINCT Callsign FROM logtab WHERE QSL <> 'Y'")
  for callsign in $advanced; do
    card=$(ls "$1/qsl-cards" | grep -- "-$callsign.pdf\$" | head -1) || true
    [ -n "$card" ] || fail "$2: $callsign advanced without its card"
    pdfinfo "$1/qsl-cards/$card" > /dev/null 2>&1 || fail "$2: the card $card is not whole"
  done
  # A station is advanced in all of its rows or in none.
  [ "$(sqlite3 "$1/backup.sqlite" "SELECT count(*) FROM (SELECT Callsign FROM logtab GROUP BY Callsign
    HAVING count(DISTINCT QSL) > 1)")" -eq 0 ] || fail "$2: a station advanced in part"
  echo "$advanced" | grep -c . || true
}

# ROOM KB left on the log's disk once the QSL window is open: none, then one page, which the hidden
# file fills before the run stores its first hundred cards.
for room in 0 4; do
  dir=log$room
  tmpfs "$dir" 4m
  cp seed/backup.sqlite "$dir/"
  tmpfs "$dir/qsl-cards" 16m
  print_all "$dir" "$room"
  cards=$(ls "$dir/qsl-cards" | grep -c '\.pdf$' || true)
  [ "$cards" -ge 1 ] || fail "room $room: no card came out: $message"
  [[ "$message" == *"No space left on device"* || "$message" == *"disk is full"* ]] \
    || fail "room $room: no cause told: $message"
  [[ "$message" == *"no further card was printed"* ]] || fail "room $room: the stop is not told: $message"
  # With no room at all the hidden file takes nothing: the card printed keeps its state, and says so.
  # With a little room, the card that no longer fits keeps its state and the others wait in the file;
  # on a slow machine the run's timed store may come first, and then every card printed waits there.
  kept="keeps the QSL state as before and is printed again by the next run"
  if [ "$room" -eq 0 ]; then
    [[ "$message" == *"$kept"* ]] || fail "room $room: the card kept in its state is not told: $message"
  elif [[ "$message" != *"$kept"*"The others are stored when the log is opened next."* ]] \
    && [[ "$message" != *"They are stored when the log is opened next."* || "$message" == *"$kept"* ]]; then
    fail "room $room: the cards kept in the hidden file are not told: $message"
  fi
  advanced=$(check_cards "$dir" "room $room")
  [ "$advanced" -lt "$stations" ] || fail "room $room: every station advanced on a full disk"
  # Room again: the next opening stores what the hidden file kept, the next run prints the rest.
  rm -f "$dir/fill"
  before=$(ls "$dir/qsl-cards" | grep -c '\.pdf$')
  print_all "$dir"
  check_cards "$dir" "room $room, again" > /dev/null
  [ "$(sqlite3 "$dir/backup.sqlite" "SELECT count(*) FROM logtab WHERE QSL = 'Y'")" -eq 0 ] \
    || fail "room $room: rows left unprinted after the second run: $message"
  again=$(($(ls "$dir/qsl-cards" | grep -c '\.pdf$') - before))
  stored=$(sqlite3 "$dir/backup.sqlite" "SELECT count(DISTINCT Callsign) FROM logtab")
  # Cards printed on the full disk whose state could not be kept come again; none other does.
  [ $((before + again)) -ge "$stored" ] && [ "$again" -le $((stations - advanced)) ] \
    || fail "room $room: $before cards, then $again more, for $stored stations ($advanced advanced at first)"
  ls -A "$dir" | grep -q 'qslrun' && fail "room $room: the hidden file stayed: $(ls -A "$dir")"
  echo "room $room KB: $cards cards, $advanced stations stored on the full disk, $again printed after" >&2
done
echo "qsl full disk: ok"
