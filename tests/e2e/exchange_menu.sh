#!/usr/bin/env bash
# Drives the grid's context menu under Xvfb with xdotool: Export ADIF of the band in view through the
# file dialog, read back by adif-parser-ts; Import ADIF of a file from another logger, checked with sqlite3;
# Export EDI through the contest dialog. With MIVRA_E2E_SHOTS=DIR the screens are kept.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(readlink -f "$1")
adif_parser=$2
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -f "$adif_parser/package.json" ] || fail "adif-parser-ts missing in $adif_parser (scripts/setup.sh installs it)"

mkdir -p data
printf '"DL1AAA"\r\n"JO62QM"\r\n2\r\n1\r\n10\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n128\r\n1\r\n' > Quovan.txt

# Waits for a visible window whose title matches, and gives its id.
await() {
  local id
  id=$(wait_window "$1")
  [ -n "$id" ] || fail "no window $1"
  echo "$id"
}
gone() {
  for _ in $(seq 1 50); do xdotool search --onlyvisible --name "$1" >/dev/null || return 0; sleep 0.1; done
  fail "window $1 stayed"
}
# Picks the grid's menu entry `downs` steps down and waits for the window it opens.
menu() {
  [ -n "$(grid_menu_entry "$window" "$1" "$2")" ] || fail "no window $2"
}
# Types a full path into the file dialog that has the focus and accepts it.
answer_file_dialog() {
  local dialog
  dialog=$(await "$1")
  sleep 0.5
  xdotool key --window "$dialog" ctrl+a
  xdotool type --delay 20 "$2"
  xdotool key Return
  gone "$1"
}
# The message box: its text is in the program's accessible tree only, so Return closes it.
close_message() {
  local box
  box=$(await '^Mivra$')
  shot "$1"
  for _ in 1 2 3; do
    focus_window "$box"
    xdotool key Return
    for _ in $(seq 1 30); do xdotool search --onlyvisible --name '^Mivra$' >/dev/null || return 0; sleep 0.1; done
  done
  fail "window ^Mivra$ stayed"
}

start
stop
db=data/backup.sqlite
sqlite3 "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
  INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Band, mode, Prop, Nam)
  SELECT printf('2026-06-%02d', 1 + i % 28), printf('%02d:%02d', i % 24, i % 60),
         'OK' || (i % 10) || 'A' || char(65 + i % 26) || char(65 + (i / 26) % 26),
         char(73 + i % 3) || char(77 + (i / 3) % 4) || ((i / 12) % 4) || ((i / 48) % 3)
           || char(65 + i % 24) || char(65 + (i / 24) % 24),
         '59' || printf('%03d', i), '57', 'OK Czech Republic', 'Y',
         CASE WHEN i % 5 = 0 THEN '432' ELSE '144' END, 'SSB', 'Tr', CASE WHEN i % 7 = 0 THEN 'Jiří' ELSE '' END
  FROM n"
band_rows=$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Band LIKE '144%'")

start
shot start
# Export ADIF... (Delete, then the separator is skipped).
menu 2 '^Export ADIF'
answer_file_dialog '^Export ADIF' "$work/band.adi"
close_message export-message
[ -s band.adi ] || fail "no ADIF file"
records=$(node -e '
const {AdifParser} = require(process.argv[1]);
const records = AdifParser.parseAdi(require("fs").readFileSync(process.argv[2], "latin1")).records;
if (records.some(r => r.band !== "2m" || r.my_gridsquare !== "JO62QM")) throw new Error("field values");
console.log(records.length);' "$adif_parser" band.adi) || fail "adif-parser-ts cannot read band.adi"
[ "$records" -eq "$band_rows" ] || fail "adif-parser-ts read $records records, the band has $band_rows"

# Import ADIF... of a file as another logger writes it: one new contact, one already stored, one refused.
printf '<call:5>OK2AB<qso_date:8>20260607<time_on:4>0800<freq:7>144.300<mode:3>FT8<gridsquare:6>JN89AA<eor>\n<call:6>OK1ABA<qso_date:8>20260602<time_on:4>0101<band:2>2m<eor>\n<call:5>OK3AB<qso_date:8>20260607<time_on:4>0800<band:2>2m<gridsquare:4>JS70<eor>\n' > other.adi
already=$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Callsign = 'OK1ABA' AND Date = '2026-06-02' AND GMT = '01:01' AND Band = '144'")
[ "$already" -eq 1 ] || fail "the generated log lacks OK1ABA"
menu 3 '^Import ADIF'
answer_file_dialog '^Import ADIF' "$work/other.adi"
close_message import-message
[ "$(sqlite3 "$db" 'SELECT COUNT(*) FROM logtab')" -eq 1001 ] || fail "import: $(sqlite3 "$db" 'SELECT COUNT(*) FROM logtab') rows"
[ "$(sqlite3 "$db" "SELECT Band || ' ' || mode || ' ' || QSL || ' ' || DXCC || ' ' || (QRB > 0) FROM logtab WHERE Callsign = 'OK2AB'")" \
  = "144.3 FT8 N OK Czech Republic 1" ] || fail "the imported row: $(sqlite3 "$db" "SELECT * FROM logtab WHERE Callsign = 'OK2AB'")"

# Export EDI...: the contest dialog (without a contest or a last export its span is the last day of
# the band's rows, up to the minute after the latest), then the file dialog.
menu 4 '^EDI contest log'
dialog=$(await '^EDI contest log')
sleep 0.3
xdotool type --delay 20 "Test Contest"
shot edi-dialog
xdotool key Return
answer_file_dialog '^Export EDI' "$work/contest.edi"
close_message edi-message
grep -q '^TName=Test Contest' contest.edi || fail "EDI contest name: $(head -3 contest.edi)"
edi_rows=$(sed -n 's/^\[QSORecords;\([0-9]*\)\]\r$/\1/p' contest.edi)
day_rows=$(sqlite3 "$db" "WITH t AS (SELECT datetime(Date || ' ' || GMT) AS at FROM logtab WHERE Band LIKE '144%')
  SELECT COUNT(*) FROM t WHERE at >= (SELECT datetime(max(at), '+1 minute', '-1 day') FROM t)")
[ "$day_rows" -gt 0 ] && [ "$day_rows" -lt "$band_rows" ] || fail "the last day holds $day_rows of $band_rows rows"
[ "$edi_rows" -eq "$day_rows" ] || fail "EDI holds $edi_rows records, the band's last day $day_rows"

# While the window runs on the folder, the commands keep off it.
rows=$(sqlite3 "$db" 'SELECT COUNT(*) FROM logtab')
if "$program" import-adif other.adi --data-dir "$work/data" > /dev/null 2> err.txt; then fail "import beside the window"; fi
grep -q "in use by another copy" err.txt || fail "no message of the lock: $(cat err.txt)"
[ "$(sqlite3 "$db" 'SELECT COUNT(*) FROM logtab')" -eq "$rows" ] || fail "the refused import changed the log"

# A termination signal while an import's summary is shown: the box stops waiting and the program ends.
menu 3 '^Import ADIF'
answer_file_dialog '^Import ADIF' "$work/other.adi"
[ -n "$(await '^Mivra$')" ] || fail "no summary of the second import"
stop
"$program" export-adif after.adi --data-dir "$work/data" > /dev/null || fail "export after the window ended"
echo "exchange menu: ok ($records records out, 1 in, $edi_rows in the EDI log)"
