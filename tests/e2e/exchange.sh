#!/usr/bin/env bash
# The exchange commands on a 1,000-contact log: export-adif read by adif-parser-ts, import into an
# empty data folder giving the same rows (sqlite3), export-edi, and the refusals.
set -euo pipefail
program=$1
adif_parser=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY
[ -f "$adif_parser/package.json" ] || fail "adif-parser-ts missing in $adif_parser (scripts/setup.sh installs it)"

# A log made by the program, filled with 1,000 contacts by sqlite3.
printf '<CALL:4>OK1A<QSO_DATE:8>20250101<TIME_ON:4>0000<BAND:2>2m<EOR>\n' > seed.adi
"$program" import-adif seed.adi --data-dir a >/dev/null || fail "the first import did not create the log"
sqlite3 a/backup.sqlite "DELETE FROM logtab;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Nam, Band, mode, Comment, Prop, QSLman)
SELECT date('2025-01-01', '+' || (i % 365) || ' days'), printf('%02d:%02d', i % 24, (i * 7) % 60),
       'DL' || (i % 10) || char(65 + i % 26, 65 + (i / 26) % 26, 65 + (i / 676) % 26),
       'JO' || (50 + i % 30) || char(65 + i % 24, 65 + (i / 24) % 24),
       '59' || printf('%03d', i % 1000), '57',
       'DL Fed. Rep. of Germany', substr('YTQNDSB', 1 + i % 7, 1), 'Op ' || i,
       CASE i % 4 WHEN 0 THEN '144' WHEN 1 THEN '432' WHEN 2 THEN '1296' ELSE '10368' END,
       CASE i % 3 WHEN 0 THEN 'SSB' WHEN 1 THEN 'CW' ELSE 'FT8' END,
       'comment ' || i, substr('TrAuEsRsMs', 1 + 2 * (i % 5), 2), CASE WHEN i % 50 = 0 THEN 'DL1MGR' ELSE '' END
FROM n;"
[ "$(sqlite3 a/backup.sqlite 'SELECT count(*) FROM logtab')" -eq 1000 ] || fail "the log was not filled"

"$program" export-adif all.adi --data-dir a > out.txt || fail "export-adif failed: $(cat out.txt)"
grep -q "Exported 1000 contacts" out.txt || fail "export message: $(cat out.txt)"
node -e '
const {AdifParser} = require(process.argv[1]);
const parsed = AdifParser.parseAdi(require("fs").readFileSync(process.argv[2], "latin1"));
if (parsed.header.programid !== "Mivra" || !parsed.header.adif_ver) throw new Error("header");
for (const r of parsed.records) console.log([r.call, r.qso_date, r.time_on, r.band, r.mode, r.name].join("|"));
' "$adif_parser" all.adi | sort > parsed.txt || fail "adif-parser-ts cannot read the file"
[ "$(wc -l < parsed.txt)" -eq 1000 ] || fail "adif-parser-ts read $(wc -l < parsed.txt) records"
sqlite3 a/backup.sqlite "SELECT Callsign, replace(Date, '-', ''), replace(GMT, ':', ''),
  CASE Band WHEN '144' THEN '2m' WHEN '432' THEN '70cm' WHEN '1296' THEN '23cm' ELSE '3cm' END, mode, Nam
  FROM logtab" | sort > expected.txt
diff expected.txt parsed.txt > /dev/null || fail "adif-parser-ts read other values: $(diff expected.txt parsed.txt | head -5)"

# Into an empty data folder: the same rows.
"$program" import-adif all.adi --data-dir b > out.txt || fail "import-adif failed: $(cat out.txt)"
grep -q "Imported 1000, skipped 0 (already in the log), refused 0." out.txt || fail "import message: $(cat out.txt)"
columns="Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Nam, Band, mode, QRB, QTF, Comment, Prop, QSLman"
sqlite3 a/backup.sqlite "SELECT $columns FROM logtab ORDER BY Date, GMT, Callsign" > rows-a.txt
sqlite3 b/backup.sqlite "SELECT $columns FROM logtab ORDER BY Date, GMT, Callsign" > rows-b.txt
diff rows-a.txt rows-b.txt > /dev/null || fail "the imported rows differ: $(diff rows-a.txt rows-b.txt | head -5)"
# A second import skips them all.
"$program" import-adif all.adi --data-dir b | grep -q "Imported 0, skipped 1000" || fail "second import"

"$program" export-adif uhf.adi --band 432 --data-dir a >/dev/null || fail "export-adif --band"
[ "$(grep -c '<EOR>' uhf.adi)" -eq 250 ] || fail "--band 432 gave $(grep -c '<EOR>' uhf.adi) records"

# The own station for the EDI header, in the settings file of the working folder.
printf '"DL7ABC"\r\n"JO62QM"\r\n' > Quovan.txt
"$program" export-edi contest.edi --band 144 --from 2025-03-01T00:00 --to 2025-04-01T00:00 --contest "March" \
  --data-dir a >/dev/null || fail "export-edi failed"
in_span=$(sqlite3 a/backup.sqlite "SELECT count(*) FROM logtab WHERE Band = '144' AND Date >= '2025-03-01' AND Date < '2025-04-01'")
grep -q "^\[QSORecords;$in_span\]" contest.edi || fail "EDI records: want $in_span, $(grep QSORecords contest.edi)"
[ "$(sed -n '/^\[QSORecords/,$p' contest.edi | tail -n +2 | wc -l)" -eq "$in_span" ] || fail "EDI record lines"
grep -q "^TName=March" contest.edi && grep -q "^PCall=DL7ABC" contest.edi && grep -q "^PWWLo=JO62QM" contest.edi \
  || fail "EDI header: $(head -5 contest.edi)"

# Refusals: a message and a non-zero status, nothing changed.
before=$(sha256sum a/backup.sqlite)
check_refused() {
  local what=$1; shift
  if "$@" > /dev/null 2> err.txt; then fail "$what: status 0"; fi
  grep -q "^mivra: " err.txt || fail "$what: no message"
}
check_refused "missing file" "$program" import-adif missing.adi --data-dir a
check_refused "folder cannot be written" "$program" export-adif /proc/no/such.adi --data-dir a
check_refused "no span" "$program" export-edi x.edi --band 144 --data-dir a
check_refused "short wave EDI" "$program" export-edi x.edi --band 3600 --from 2025-03-01T00:00 --to 2025-04-01T00:00 --data-dir a
check_refused "not a band" "$program" export-adif x.adi --band foo --data-dir a
[ ! -e x.adi ] || fail "a refused band wrote x.adi"
check_refused "not a band, EDI" "$program" export-edi x.edi --band foo --from 2025-03-01T00:00 --to 2025-04-01T00:00 --data-dir a
grep -q "foo is not one" err.txt || fail "EDI refusal does not name the band: $(cat err.txt)"
check_refused "no log" "$program" export-adif x.adi --data-dir empty
printf 'not an ADIF file\n' > text.adi
check_refused "no records" "$program" import-adif text.adi --data-dir a
[ "$before" = "$(sha256sum a/backup.sqlite)" ] || fail "a refused command changed the log"
[ ! -e x.edi ] && [ ! -e x.adi ] && [ ! -e empty/backup.sqlite ] || fail "a refused command left a file"

# Good records are stored and the bad ones named, with status 2.
printf '<call:6>OK1XYZ<qso_date:8>20250301<time_on:4>1200<band:2>2m<mode:3>SSB<eor>\n<call:6>OK1BAD<qso_date:8>20250301<band:2>2m<eor>\n' > part.adi
status=0
"$program" import-adif part.adi --data-dir c > out.txt 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "an import with a refused record ended with status $status: $(cat out.txt)"
grep -q "Imported 1, skipped 0 (already in the log), refused 1." out.txt || fail "partial import message: $(cat out.txt)"
[ "$(sqlite3 c/backup.sqlite "SELECT group_concat(Callsign) FROM logtab")" = OK1XYZ ] || fail "partial import rows"

# A log the user cannot write: refused as an unprivileged user, the log unchanged.
chmod 755 "$work"
chmod -R a+rX a all.adi
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  as_user=()
  chmod a-w a/backup.sqlite a
fi
before=$(sha256sum a/backup.sqlite)
check_refused "read-only log" "${as_user[@]}" "$program" import-adif all.adi --data-dir a
[ "$before" = "$(sha256sum a/backup.sqlite)" ] || fail "the read-only log changed"
chmod -R u+w a
echo "exchange: ok (1000 contacts out and in, $in_span in the EDI log)"
