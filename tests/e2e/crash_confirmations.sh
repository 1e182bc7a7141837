#!/usr/bin/env bash
# kill -9 inside the one transaction of a LoTW download of 40,000 confirmations (a few minutes and
# seconds off, USB and LSB for SSB contacts) and 50 strangers, into a 100,000-contact log: the next
# run finds the log as it was (integrity_check, no contact confirmed, the count kept) and no list of
# unmatched records under its name; the same download then confirms every contact it matches, adds
# none, and leaves one whole list of the strangers.
program=$1
source "$(dirname "$0")/cli_support.sh"
q() { sqlite3 "$db" "$1"; }

seed_log
q "DELETE FROM logtab;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000)
INSERT INTO logtab (ID, Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Band, mode)
SELECT i, date('2020-01-01', '+' || (i % 1500) || ' days'), printf('%02d:%02d', i % 24, i % 60),
       'DL' || (i % 10) || char(65 + i % 26, 65 + (i / 26) % 26, 65 + (i / 676) % 26),
       'JO' || (50 + i % 30) || char(65 + i % 24, 65 + (i / 24) % 24), '59', '57',
       'DL Fed. Rep. of Germany', 'N', '144', 'SSB'
FROM n;"

# The report: two contacts in five, 0 to 6 minutes and 59 seconds late, past midnight for some;
# then 50 records of contacts the log never had.
{
  printf 'ARRL Logbook of the World Status Report\nGenerated at 2026-06-20 08:00:00\n<PROGRAMID:4>LoTW\n<eoh>\n'
  q "SELECT printf('<CALL:%d>%s<BAND:2>2M<MODE:3>%s<QSO_DATE:8>%s<TIME_ON:6>%s<QSL_RCVD:1>Y<QSLRDATE:10>2026-06-20<eor>',
                   length(Callsign), Callsign, CASE WHEN ID % 2 THEN 'USB' ELSE 'LSB' END,
                   strftime('%Y%m%d', t), strftime('%H%M%S', t))
     FROM (SELECT ID, Callsign, datetime(Date || ' ' || GMT, '+' || (ID % 7) || ' minutes', '+59 seconds') AS t
           FROM logtab WHERE ID % 5 < 2 ORDER BY ID)"
  for i in $(seq 1 50); do
    printf '<CALL:6>W1A%03d<BAND:3>20M<MODE:2>CW<QSO_DATE:8>20260606<TIME_ON:4>1200<QSL_RCVD:1>Y<eor>\n' "$i"
  done
} > lotw.adi
[ "$(grep -c '<eor>' lotw.adi)" -eq 40050 ] || fail "the report was not made"

confirmed() { q "SELECT count(*) FROM logtab WHERE LotwRcvd = 'Y'"; }
lists() { find d -maxdepth 1 -name '*unmatched*' -printf '%f\n' | sort; }

# Killed once the journal holds pages: the contacts are being confirmed in the page cache.
kill_inside_transaction d 10 import-confirmations lotw.adi
[ -z "$(lists | grep -v '^\.')" ] || fail "a killed run left a list under its name: $(lists)"

# The next run rolls the journal back: the log as it was.
"$program" --data-dir d export-adif out.adi > export.txt 2>&1 || fail "export after the crash: $(cat export.txt)"
grep -q "Exported 100000 contacts" export.txt || fail "export: $(cat export.txt)"
[ ! -e "$db-journal" ] || fail "the journal is still there"
[ "$(q 'PRAGMA integrity_check')" = ok ] || fail "integrity: $(q 'PRAGMA integrity_check' | head -3)"
[ "$(q 'SELECT count(*) FROM logtab')" -eq 100000 ] || fail "rows after the crash"
[ "$(confirmed)" -eq 0 ] || fail "$(confirmed) contacts LoTW-confirmed by the killed run"
[ -z "$(lists | grep -v '^\.')" ] || fail "a list under its name after the crash: $(lists)"

# Whole: every contact the report stands for, and only those; none added, paper states kept.
status=0
"$program" import-confirmations lotw.adi --data-dir d > import.txt 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "status $status: $(cat import.txt)"
grep -q "LoTW: 40000 of 40050 records confirmed a contact, 50 match no contact (not added)" import.txt \
  || fail "summary: $(head -3 import.txt)"
[ "$(confirmed)" -eq 40000 ] || fail "$(confirmed) contacts confirmed"
[ "$(q "SELECT count(*) FROM logtab WHERE (ID % 5 < 2) <> (coalesce(LotwRcvd, '') = 'Y')")" -eq 0 ] \
  || fail "the wrong contacts confirmed"
[ "$(q "SELECT count(DISTINCT LotwRdate) || ' ' || max(LotwRdate) FROM logtab WHERE LotwRcvd = 'Y'")" = "1 2026-06-20" ] \
  || fail "confirmation dates"
[ "$(q 'SELECT count(*) FROM logtab')" -eq 100000 ] || fail "rows after the import"
[ "$(q "SELECT count(*) FROM logtab WHERE QSL <> 'N'")" -eq 0 ] || fail "paper states changed"
[ "$(q 'PRAGMA integrity_check')" = ok ] || fail "integrity after the import"
listed=$(lists)
[ "$(echo "$listed" | wc -l)" -eq 1 ] && [[ $listed == backup-unmatched-lotw-*.txt ]] || fail "lists: $listed"
[ "$(grep -c '^W1A[0-9]* 2026-06-06 12:00:00 20M CW$' "d/$listed")" -eq 50 ] || fail "the list: $(head -3 "d/$listed")"
[ "$(wc -l < "d/$listed")" -eq 51 ] || fail "the list holds $(wc -l < "d/$listed") lines"
echo "crash confirmations: ok"
