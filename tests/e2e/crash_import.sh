#!/usr/bin/env bash
# kill -9 inside the transaction of an import of 50,000 records into a 100,000-contact log: the next
# run rolls the journal back and works on the log as it was (integrity_check, counts), and the copy
# in backups/ made before the import holds the log as it was. The same into a log of one contact,
# where the import rebuilds the indexes at its end.
program=$1
source "$(dirname "$0")/cli_support.sh"
seed_log
sqlite3 "$db" "DELETE FROM logtab;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000)
INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Band, mode)
SELECT date('2020-01-01', '+' || (i % 1500) || ' days'), printf('%02d:%02d', i % 24, i % 60),
       'DL' || (i % 10) || char(65 + i % 26, 65 + (i / 26) % 26, 65 + (i / 676) % 26),
       'JO' || (50 + i % 30) || char(65 + i % 24, 65 + (i / 24) % 24), '59', '57',
       'DL Fed. Rep. of Germany', 'N', '144', 'SSB'
FROM n;"
# 50,000 contacts the log does not hold: other callsigns, in 2026.
sqlite3 -noheader "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000)
SELECT printf('<CALL:%d>%s<QSO_DATE:8>%s<TIME_ON:4>%s<BAND:4>70cm<MODE:2>CW<GRIDSQUARE:6>JN%02dAA<EOR>',
              length(c), c, strftime('%Y%m%d', date('2026-01-01', '+' || (i % 300) || ' days')),
              printf('%02d%02d', i % 24, i % 60), 10 + i % 80)
FROM (SELECT i, 'OK' || (i % 10) || char(65 + i % 26, 65 + (i / 26) % 26, 65 + (i / 676) % 26) || i AS c FROM n);" > big.adi
[ "$(grep -c '<EOR>' big.adi)" -eq 50000 ] || fail "the ADIF file was not made"

# The import is killed inside its transaction: once the journal holds pages, and, when the poll
# catches it, once rows have reached the log file itself (then the journal is the only way back).
# The import keeps its pages in a large cache, so the log file may grow only while it commits.
kill_inside_import() { kill_inside_transaction "$1" 25 import-adif big.adi; }
kill_inside_import d

# The next run: no complaint, the interrupted import wholly absent.
"$program" --data-dir d export-adif out.adi > export.txt 2>&1 || fail "export after the crash: $(cat export.txt)"
grep -q "Exported 100000 contacts" export.txt || fail "export: $(cat export.txt)"
[ "$(grep -c '<EOR>' out.adi)" -eq 100000 ] || fail "the exported file holds $(grep -c '<EOR>' out.adi) records"
[ ! -e "$db-journal" ] || fail "the journal is still there"
[ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] || fail "integrity: $(sqlite3 "$db" 'PRAGMA integrity_check' | head -3)"
[ "$(sqlite3 "$db" 'SELECT count(*) FROM logtab')" -eq 100000 ] || fail "rows after the crash"

# The copy made before the import holds the log as it was.
copies=(d/backups/backup-*-import.sqlite.zst)
[ "${#copies[@]}" -eq 1 ] && [ -f "${copies[0]}" ] || fail "backups: ${copies[*]}"
zstd -q -d -c "${copies[0]}" > copy.sqlite || fail "the zstd tool cannot unpack the backup"
[ "$(sqlite3 copy.sqlite 'PRAGMA integrity_check')" = ok ] || fail "the backup is damaged"
[ "$(sqlite3 copy.sqlite 'SELECT count(*) FROM logtab')" -eq 100000 ] || fail "the backup's count"

# Into a log of one contact the import drops every index and builds them again at the end: killed
# in between, the next run finds the log with its indexes as it was.
mkdir e
"$program" import-adif seed.adi --data-dir e > /dev/null || fail "the seed log was not made"
indexes() { sqlite3 e/backup.sqlite "SELECT sql FROM sqlite_master WHERE type = 'index' ORDER BY name"; }
before=$(indexes)
[ "$(echo "$before" | grep -c 'ON logtab')" -ge 6 ] || fail "the seed log's indexes: $before"
kill_inside_import e
"$program" --data-dir e export-adif e.adi > export.txt 2>&1 || fail "export after the second crash: $(cat export.txt)"
[ ! -e e/backup.sqlite-journal ] || fail "the second journal is still there"
[ "$(sqlite3 e/backup.sqlite 'PRAGMA integrity_check')" = ok ] || fail "integrity after the second crash"
[ "$(sqlite3 e/backup.sqlite 'SELECT count(*) FROM logtab')" -eq 1 ] || fail "rows after the second crash"
[ "$(indexes)" = "$before" ] || fail "indexes after the second crash: $(indexes)"

echo "crash import: ok"
