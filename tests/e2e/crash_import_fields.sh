#!/usr/bin/env bash
# kill -9 inside an import of 30,000 records of some 50 fields each, as online logbooks write them:
# the next run finds neither half of it (no contact without its other fields, no fields without
# their contact), and the same file imported whole then gives every contact its fields and every
# field back on export.
program=$1
source "$(dirname "$0")/cli_support.sh"
seed_log '<QTH:5>Praha'
f() { echo "printf('<$1:%d>%s', length($2), $2)"; }
fields=(
  "$(f call c)" "$(f qso_date "strftime('%Y%m%d', date('2026-01-01', '+' || (i % 300) || ' days'))")"
  "$(f time_on "printf('%02d%02d%02d', i % 24, i % 60, i % 59)")" "$(f band "'70cm'")" "$(f freq "'432.' || (100 + i % 900)")"
  "$(f mode "'CW'")" "$(f rst_sent "'599'")" "$(f rst_rcvd "'579'")" "$(f gridsquare "printf('JN%02daa', 10 + i % 80)")"
  "$(f qth "'Town ' || i")" "$(f state "'BY'")" "$(f cnty "'Landkreis ' || (i % 97)")" "$(f cqz "'14'")" "$(f ituz "'28'")"
  "$(f cont "'EU'")" "$(f tx_pwr "'100'")" "$(f rx_pwr "'50'")" "$(f my_rig "'IC-9700'")" "$(f my_antenna "'2 x 21 el'")"
  "$(f station_callsign "'OK1ABC'")" "$(f operator "'OK1ABC'")" "$(f my_gridsquare "'JO70fd'")" "$(f my_city "'Praha'")"
  "$(f lotw_qsl_sent "'Y'")" "$(f lotw_qslsdate "'20260301'")" "$(f eqsl_qsl_sent "'N'")" "$(f qsl_sent_via "'B'")"
  "$(f email "'op' || i || '@example.net'")" "$(f age "'42'")" "$(f sfi "'140'")" "$(f k_index "'2'")" "$(f a_index "'7'")"
  "$(f time_off "printf('%02d%02d%02d', i % 24, (i + 2) % 60, i % 59)")" "$(f qso_date_off "strftime('%Y%m%d', date('2026-01-01', '+' || (i % 300) || ' days'))")"
  "$(f notes "'Heard on the beacon first; ' || i")" "$(f app_logbook_id "'' || (900000 + i)")" "$(f contest_id "'IARU-UHF'")"
  "$(f stx "'' || (i % 1000)")" "$(f srx "'' || ((i * 7) % 1000)")" "$(f ant_az "'' || (i % 360)")" "$(f my_cq_zone "'15'")"
  "$(f my_itu_zone "'28'")" "$(f my_country "'Czech Republic'")" "$(f my_name "'Jan'")" "$(f distance "'' || (100 + i % 900)")"
  "$(f lat "'N048 30.000'")" "$(f lon "'E011 30.000'")" "$(f pfx "'DL' || (i % 10)")" "$(f web "'https://example.net/' || i")" "$(f rig "'FT-817'")"
)
select=${fields[0]}
for part in "${fields[@]:1}"; do select="$select || $part"; done
sqlite3 -noheader "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000)
SELECT $select || '<eor>' FROM (SELECT i, 'DL' || (i % 10) || char(65 + i % 26, 65 + (i / 26) % 26) || i AS c FROM n);" > big.adi
[ "$(grep -c '<eor>' big.adi)" -eq 30000 ] || fail "the ADIF file was not made"
[ "$(head -1 big.adi | grep -o '<[a-z_]*:' | wc -l)" -ge 50 ] || fail "the records have too few fields"

halves() { # contacts without their fields, fields without their contact
  sqlite3 "$db" "SELECT (SELECT count(*) FROM logtab WHERE Callsign LIKE 'DL%' AND ID NOT IN (SELECT ID FROM logfields)),
                        (SELECT count(*) FROM logfields WHERE ID NOT IN (SELECT ID FROM logtab))"
}

kill_inside_transaction d 25 import-adif big.adi

# The next run rolls the import back whole: the seed contact with its one field, nothing else.
"$program" --data-dir d export-adif out.adi > export.txt 2>&1 || fail "export after the crash: $(cat export.txt)"
[ ! -e "$db-journal" ] || fail "the journal is still there"
[ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] || fail "integrity after the crash"
[ "$(sqlite3 "$db" 'SELECT count(*) FROM logtab')" -eq 1 ] || fail "contacts after the crash"
[ "$(sqlite3 "$db" 'SELECT fields FROM logfields')" = '<QTH:5>Praha' ] || fail "fields after the crash"
[ "$(grep -c '<EOR>' out.adi)" -eq 1 ] && grep -q '<QTH:5>Praha' out.adi || fail "export after the crash"

# Whole, every contact has its fields, and they go out again.
"$program" import-adif big.adi --data-dir d > import.txt 2>&1 || fail "import: $(cat import.txt)"
[ "$(sqlite3 "$db" 'SELECT count(*) FROM logtab')" -eq 30001 ] || fail "contacts: $(cat import.txt)"
[ "$(halves)" = "0|0" ] || fail "halves after the import: $(halves)"
"$program" --data-dir d export-adif all.adi > export.txt 2>&1 || fail "export: $(cat export.txt)"
for field in 'WEB https://example.net/12345' 'NOTES Heard on the beacon first; 777' 'MY_GRIDSQUARE JO70fd'; do
  value=${field#* }
  grep -qF "<${field%% *}:${#value}>$value" all.adi || fail "$field is not in the export"
done
echo "crash import with many fields: ok"
