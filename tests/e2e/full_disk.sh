#!/usr/bin/env bash
# Small files on a full disk (a tmpfs filled by dd, so as root only): the settings file at the end of a
# run, ADIF and EDI exports of small logs over older files and as new ones, and a QSL
# run whose card folder fills up in the middle of a card. Each file is whole or as it was before (cmp,
# pdfinfo), the failure is named with its cause, the status is non-zero, and a card that is not whole
# leaves its contacts' QSL state as it was (sqlite3).
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
work=$(mktemp -d)
pid=
mounts=()
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; for m in "${mounts[@]}"; do umount "$m"; done; rm -rf "$work"' EXIT
cd "$work"
if [ "$(id -u)" -ne 0 ]; then
  echo "full disk: not root, no tmpfs to fill: not tried" >&2
  exit 0
fi
db=data/backup.sqlite
# A tmpfs at DIR of SIZE.
tmpfs() { mkdir -p "$1"; mount -t tmpfs -o "size=$2" tmpfs "$1"; mounts+=("$work/$1"); }
# Fills the tmpfs at DIR up to ROOM KB (0 when not given).
fill() {
  rm -f "$1/fill"
  local avail
  avail=$(df -k "$1" | awk 'NR == 2 { print $4 }')
  dd if=/dev/zero of="$1/fill" bs=1k count=$((avail - ${2:-0})) 2>/dev/null || true
}
# The names in DIR, in byte order, each followed by a space: only DIR NAMES.
only() { [ "$(LC_ALL=C ls -A "$1" | tr '\n' ' ')" = "$2" ] || fail "$1 holds: $(ls -A "$1" | tr '\n' ' ')"; }

# The settings file in a folder that is full when the program ends: kept as it was, the end fails.
tmpfs full 1m
write_station_settings full/Quovan.txt
cp full/Quovan.txt settings.before
(cd full && exec "$program" --data-dir "$work/data" 2>>"$work/stderr.txt") &
pid=$!
window=$(wait_window '^MivraQ')
[ -n "$window" ] || fail "no main window: $(cat stderr.txt)"
sleep 0.5
fill full
terminate
[ "$status" -eq 1 ] || fail "status $status after the settings could not be kept: $(cat stderr.txt)"
grep -q "Cannot write the settings file $work/full/Quovan.txt: No space left on device" stderr.txt \
  || fail "no cause told: $(cat stderr.txt)"
cmp -s full/Quovan.txt settings.before || fail "the settings file changed: $(od -c full/Quovan.txt | head -3)"
only full "Quovan.txt fill "

# Exports over older files and as new ones: of a one-contact log with no room at all, then of one of
# 120 contacts (an EDI file of 4 to 16 KB, under Qt's write buffer) with room for a part of them.
rm full/fill
write_station_settings Quovan.txt
edi=(--band 144 --from 2026-05-01T00:00 --to 2026-05-02T00:00)
for room in 0 4; do
  if [ "$room" -eq 0 ]; then
    sqlite3 "$db" "INSERT INTO logtab (Date, GMT, Callsign, Grid, Band, mode, QSL) VALUES
      ('2026-05-01', '10:05', 'OK1ABC', 'JO70AA', '144', 'SSB', 'Y')"
  else
    sqlite3 "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 119)
      INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, QSL)
      SELECT '2026-05-01', printf('%02d:%02d', 11 + i / 60, i % 60), 'OK' || i || 'AB', 'JO70AA', '59', '59', '144',
             'SSB', 'Y' FROM n"
  fi
  rm -f full/fill full/*.adi full/*.edi
  printf 'an older export\n' > full/old.adi
  printf 'an older contest log\n' > full/old.edi
  fill full "$room"
  for export in "export-adif old.adi" "export-adif new.adi" "export-edi old.edi" "export-edi new.edi"; do
    read -r command file <<<"$export"
    status=0
    options=()
    [ "$command" = export-edi ] && options=("${edi[@]}")
    "$program" "$command" "full/$file" --data-dir data "${options[@]}" > out.txt 2> err.txt || status=$?
    [ "$status" -eq 1 ] && grep -q "No space left on device" err.txt \
      || fail "$export, $room KB free: $status $(cat out.txt err.txt)"
  done
  [ "$(cat full/old.adi)" = "an older export" ] || fail "old.adi, $room KB free: $(head -c 200 full/old.adi)"
  [ "$(cat full/old.edi)" = "an older contest log" ] || fail "old.edi, $room KB free: $(head -c 200 full/old.edi)"
  only full "Quovan.txt fill old.adi old.edi "
done
"$program" export-edi whole.edi --data-dir data "${edi[@]}" > /dev/null
size=$(stat -c %s whole.edi)
[ "$size" -gt 4096 ] && [ "$size" -lt 16384 ] || fail "the EDI file of 120 contacts takes $size bytes"

# Cards of three stations into a card folder of their own. A first run learns the size of each card;
# then the folder has room for the first card and for all but the last page of the second.
export CUPS_SERVER="$work/no-cups.sock"
unset PRINTER LPDEST
printf '"DL1XYZ"\r\n"JO62QM"\r\n1\r\n1\r\n10\r\n"Info line"\r\n"Line two"\r\n"Line three"\r\n"Line four"\r\n"Address"\r\n"Footer"\r\n128\r\n1\r\n' > Quovan.txt
sqlite3 "$db" "DELETE FROM logtab; INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, Band, mode, QSL, QRB, QTF) VALUES
  ('2026-05-01', '10:05', 'DL1AAA', 'JO70AA', '59', '144', 'SSB', 'Y', 250, 120),
  ('2026-05-02', '11:15', 'OK1BBB', 'JO93AA', '57', '432', 'CW', 'Y', 480, 60),
  ('2026-05-03', '12:25', 'OK1BBB', 'JO70AA', '55', '1296', 'SSB', 'Y', 250, 120),
  ('2026-05-04', '13:35', 'SP1CCC', 'JO93AA', '599', '144', 'CW', 'Y', 480, 60)"
load_places "$program"
print_all() {
  "$program" --data-dir "$work/data" 2>>stderr.txt &
  pid=$!
  window=$(wait_window '^MivraQ')
  [ -n "$window" ] || fail "no main window"
  sleep 0.5
  click_control "$window" main QSL
  local form
  form=$(wait_window '^Form6$')
  [ -n "$form" ] || fail "no QSL window"
  sleep 0.3
  click_control "$form" qsl Command1
  box=$(wait_box)
  [ -n "$box" ] || fail "no message after the run"
  # The text from the middle of its first line to the end, dragged over: the X selection holds it.
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$box")"
  xdotool mousemove --window "$box" $((WIDTH / 2)) 17 mousedown 1 sleep 0.2 \
    mousemove --window "$box" $((WIDTH - 12)) $((HEIGHT - 48)) sleep 0.2 mouseup 1
  sleep 0.3
  message=$(xclip -o -selection primary 2>/dev/null || true)
  shot "full_disk_$1"
  close_box "$box" || fail "message not closed"
  terminate
}
print_all cards_learned
mapfile -t cards < <(ls data/qsl-cards)
[ "${#cards[@]}" -eq 3 ] || fail "first run: ${cards[*]:-no cards}"
pages() { echo $(( ($(stat -c %s "data/qsl-cards/$1") + 4095) / 4096 )); }
room=$(( 4 * ($(pages "${cards[0]}") + $(pages "${cards[1]}") - 1) ))
rm -f data/qsl-cards/*
sqlite3 "$db" "UPDATE logtab SET QSL = 'Y'"
tmpfs data/qsl-cards 1m
fill data/qsl-cards "$room"
print_all cards_full
[[ "$message" =~ "These cards were not printed and keep their QSL state: OK1BBB, SP1CCC" ]] \
  || fail "message: $message"
[[ "$message" =~ "000002-OK1BBB.pdf cannot be written" ]] || fail "the card is not named: $message"
[[ "$message" =~ "No space left on device" ]] || fail "no cause told: $message"
only data/qsl-cards "${cards[0]} fill "
pdfinfo "data/qsl-cards/${cards[0]}" > /dev/null || fail "the first card is not whole"
[ "$(sqlite3 "$db" "SELECT group_concat(Callsign || '=' || QSL, ' ') FROM (SELECT * FROM logtab ORDER BY ID)")" \
  = "DL1AAA=N OK1BBB=Y OK1BBB=Y SP1CCC=Y" ] || fail "states: $(sqlite3 "$db" "SELECT Callsign, QSL FROM logtab")"
echo "full disk: ok"
