#!/usr/bin/env bash
# import-adif as a station runs it on what arrives: a confirmation file that repeats stored
# contacts (only their QSL changes, checked with a sqlite3 dump), a hostile file whose lengths
# overrun their records (read within 2 s), and a headerless file whose first record holds <EOH>.
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY

# A log of 200 contacts.
printf '<CALL:4>OK1A<QSO_DATE:8>20250101<TIME_ON:4>0000<BAND:2>2m<EOR>\n' > seed.adi
"$program" import-adif seed.adi --data-dir d >/dev/null || fail "the first import did not create the log"
sqlite3 d/backup.sqlite "DELETE FROM logtab;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200)
INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Nam, Band, mode, Comment, Prop)
SELECT date('2025-01-01', '+' || (i % 90) || ' days'), printf('%02d:%02d', i % 24, (i * 7) % 60),
       'DL' || (i % 10) || char(65 + i % 26, 65 + (i / 26) % 26, 65 + (i / 676) % 26), 'JO62QM', '59', '57',
       'DL Fed. Rep. of Germany', substr('NYD', 1 + i % 3, 1), 'Op ' || i, '144', 'SSB', 'c ' || i, 'Tr'
FROM n;"

# Three stored contacts come back confirmed (as an online service writes them), one unconfirmed.
sqlite3 -separator ' ' d/backup.sqlite "SELECT Callsign, replace(Date, '-', ''), replace(GMT, ':', '')
  FROM logtab WHERE ID IN (10, 20, 30, 40) ORDER BY ID" > picked.txt
{
  printf 'Confirmations\n<PROGRAMID:3>LTW<EOH>\n'
  n=0
  while read -r call date time; do
    n=$((n + 1))
    field='<QSL_RCVD:1>Y'
    [ $n -eq 2 ] && field='<LOTW_QSL_RCVD:1>Y'
    [ $n -eq 4 ] && field='<QSL_RCVD:1>N'
    printf '<CALL:%d>%s<QSO_DATE:8>%s<TIME_ON:6>%s00<BAND:2>2M<MODE:3>SSB%s<EOR>\n' "${#call}" "$call" "$date" "$time" "$field"
  done < picked.txt
} > confirm.adi
sqlite3 d/backup.sqlite .dump > before.sql
status=0
"$program" import-adif confirm.adi --data-dir d > out.txt 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the confirmation import ended with status $status: $(cat out.txt)"
grep -q "^Imported 0, 3 contacts confirmed, skipped 1 (already in the log), refused 0.$" out.txt \
  || fail "confirmation message: $(cat out.txt)"
sqlite3 d/backup.sqlite .dump > after.sql
diff before.sql after.sql > changes.txt || true
# Exactly the three rows: the cards move N and D to Q, LoTW leaves Y (a card to send) as it is.
[ "$(grep -c '^<' changes.txt)" -eq 3 ] && [ "$(grep -c '^>' changes.txt)" -eq 3 ] || fail "changes: $(cat changes.txt)"
[ "$(sqlite3 d/backup.sqlite "SELECT group_concat(s, ' ') FROM (SELECT ID || QSL || coalesce(LotwRcvd, '-') AS s FROM logtab WHERE ID IN (10, 20, 30, 40) ORDER BY ID)")" \
  = "10Q- 20YY 30Q- 40N-" ] || fail "the confirmed rows: $(sqlite3 d/backup.sqlite "SELECT * FROM logtab WHERE ID IN (10, 20, 30, 40)")"

# A hostile file of 5.6 MB: lengths beyond their records; read in one pass, every record refused.
record='<CALL:2000000>x<QSO_DATE:8>20260606<TIME_ON:4>1200<BAND:2>2m<NAME:999999>Eva<EOR>'
yes "$record" | head -c 5600000 > hostile.adi || true
before=$(sqlite3 d/backup.sqlite "SELECT count(*) FROM logtab")
start=$(date +%s%N)
status=0
"$program" import-adif hostile.adi --data-dir d > out.txt 2>&1 || status=$?
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$elapsed" -lt 2000 ] || fail "the hostile file took $elapsed ms"
[ "$status" -eq 2 ] || fail "the hostile file ended with status $status: $(head -3 out.txt)"
grep -q "^Imported 0, skipped 0 (already in the log), refused " out.txt || fail "hostile message: $(head -3 out.txt)"
[ "$(sqlite3 d/backup.sqlite "SELECT count(*) FROM logtab")" -eq "$before" ] || fail "the hostile file changed the log"

# No header, and "<EOH>" inside the first record's comment: both records stored.
printf '<CALL:5>OK1EH<QSO_DATE:8>20250301<TIME_ON:4>1200<BAND:2>2m<COMMENT:13>see <EOH> now<EOR>\n<CALL:5>OK1EI<QSO_DATE:8>20250301<TIME_ON:4>1201<BAND:2>2m<GRIDSQUARE:2>JO<EOR>\n' > headerless.adi
"$program" import-adif headerless.adi --data-dir d > out.txt 2>&1 || fail "headerless import: $(cat out.txt)"
grep -q "^Imported 2, skipped 0 (already in the log), refused 0.$" out.txt || fail "headerless message: $(cat out.txt)"
grep -q "^Record 2 (OK1EI): locator JO has only 2 characters; stored without a locator$" out.txt \
  || fail "the 2-character locator is not named: $(cat out.txt)"
[ "$(sqlite3 d/backup.sqlite "SELECT Comment FROM logtab WHERE Callsign = 'OK1EH'")" = "see <EOH> now" ] || fail "comment"
[ "$(sqlite3 d/backup.sqlite "SELECT quote(Grid) FROM logtab WHERE Callsign = 'OK1EI'")" = "''" ] || fail "grid"
echo "exchange_stream: ok (3 confirmed, hostile file in $elapsed ms)"
