#!/usr/bin/env bash
# No write lands on the log: exports onto the log, its journal, its lock or the settings file (also
# through a symbolic link or "./") end with status 1 and leave every file as it was (cmp). Bands that
# are no bands are refused; a dangling settings link gets no target; a full disk is named as such.
# backup and restore: copies that open as logs, a restore that checks its file and keeps the log before.
set -euo pipefail
program=$1
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; mountpoint -q "$work/full" && umount "$work/full"; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY
db=d/backup.sqlite
count() { sqlite3 "$1" 'SELECT count(*) FROM logtab'; }

printf '<CALL:4>OK1A<QSO_DATE:8>20250101<TIME_ON:4>0000<BAND:2>2m<EOR>\n' > seed.adi
"$program" import-adif seed.adi --data-dir d > /dev/null || fail "the first import did not create the log"
sqlite3 "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
INSERT INTO logtab (Date, GMT, Callsign, Grid, Band, mode, QSL)
SELECT date('2025-01-01', '+' || (i % 365) || ' days'), printf('%02d:%02d', i % 24, i % 60),
       'DL' || (i % 10) || char(65 + i % 26, 65 + (i / 26) % 26), 'JO62QM', CASE i % 2 WHEN 0 THEN '144' ELSE '432' END,
       'SSB', 'N' FROM n;"
printf '"DL1AAA"\r\n"JO62QM"\r\n1\r\n1\r\n10\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n1\r\n' > Quovan.txt
cp "$db" log.before
cp Quovan.txt settings.before
ln -s "$work/d/backup.sqlite" link.adi
ln -s d/backup.sqlite-journal journal-link.adi
edi=(--band 432 --from 2025-01-01T00:00 --to 2026-01-01T00:00)

# command  target  [options]: refused with status 1 and a message naming the target.
while read -r command target; do
  status=0
  "$program" --data-dir d "$command" "$target" $( [ "$command" = export-edi ] && echo "${edi[@]}" || echo --band 432 ) \
    > out.txt 2> err.txt || status=$?
  [ "$status" -eq 1 ] || fail "$command onto $target: status $status ($(cat out.txt))"
  grep -q "nothing was written" err.txt || fail "$command onto $target: $(cat err.txt)"
  cmp -s "$db" log.before || fail "$command onto $target changed the log"
  cmp -s Quovan.txt settings.before || fail "$command onto $target changed the settings file"
  [ ! -e "$db-journal" ] || fail "$command onto $target left a journal"
done <<'TARGETS'
export-adif d/backup.sqlite
export-adif ./d/../d/backup.sqlite
export-adif link.adi
export-adif journal-link.adi
export-adif d/backup.sqlite-wal
export-adif d/backup.sqlite.lock
export-adif Quovan.txt
export-edi d/backup.sqlite
export-edi link.adi
export-edi ./Quovan.txt
TARGETS
[ -L link.adi ] && [ ! -e d/backup.sqlite-journal ] || fail "a link was replaced or its target made"

# Texts that read as numbers but are no band.
for band in nan inf 1e2 -144 0 +144 0x90; do
  status=0
  "$program" --data-dir d export-adif band.adi --band "$band" > out.txt 2> err.txt || status=$?
  [ "$status" -eq 1 ] && grep -q "is not a band" err.txt || fail "--band $band: status $status, $(cat out.txt err.txt)"
  [ ! -e band.adi ] || fail "--band $band wrote a file"
done
"$program" --data-dir d export-adif band.adi --band 432 > out.txt || fail "--band 432 refused"
grep -q "Exported 1000 contacts" out.txt || fail "--band 432: $(cat out.txt)"

# A settings link that points nowhere: its target is never created.
mkdir start
ln -s "$work/nowhere/Quovan.txt" start/Quovan.txt
mkdir nowhere
(cd start && QT_QPA_PLATFORM=offscreen exec "$program" --data-dir "$work/d" 2> "$work/dangling.txt") &
pid=$!
for _ in $(seq 1 100); do [ -e d/backup.sqlite.lock ] && break; sleep 0.1; done
sleep 1.5
kill -TERM "$pid" 2>/dev/null || true
timeout 10 tail --pid="$pid" -f /dev/null || fail "the program did not end on SIGTERM"
wait "$pid" || true
pid=
[ ! -e nowhere/Quovan.txt ] || fail "the dangling link's target was created"
grep -q "which does not exist" dangling.txt || fail "no message about the link: $(cat dangling.txt)"

# A settings file that is a link to the log: the start is refused before anything is written.
mkdir linked
ln -s "$work/d/backup.sqlite" linked/Quovan.txt
cp "$db" log.before
(cd linked && QT_QPA_PLATFORM=offscreen exec "$program" --data-dir "$work/d" 2> "$work/linked.txt") &
pid=$!
for _ in $(seq 1 100); do grep -q "cannot be the log" linked.txt && break; sleep 0.1; done
kill -TERM "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 1 ] && grep -q "cannot be the log" linked.txt || fail "settings linked to the log: $status $(cat linked.txt)"
cmp -s "$db" log.before || fail "a start with the settings linked to the log changed the log"

# backup: a compressed copy that the zstd tool unpacks into the log; restore: refused for a file that
# is not a log, refused while a program holds the folder, else the file (plain or compressed) becomes
# the log and the log before it is kept.
rm -rf d/backups
cp "$db" log.before
copy=$("$program" --data-dir d backup) || fail "backup failed"
[ -f "$copy" ] && [[ "$copy" == "$work/d/backups/backup-"*".sqlite.zst" ]] || fail "backup printed '$copy'"
zstd -q -d -c "$copy" > unpacked.sqlite || fail "the zstd tool cannot unpack the copy"
[ "$(sqlite3 unpacked.sqlite 'PRAGMA integrity_check')" = ok ] && [ "$(count unpacked.sqlite)" -eq "$(count "$db")" ] \
  || fail "the copy"
[ "$(sqlite3 unpacked.sqlite .dump)" = "$(sqlite3 "$db" .dump)" ] || fail "the copy's dump differs from the log's"
printf 'not a log' > junk.sqlite
sqlite3 other.sqlite 'CREATE TABLE t (x)'
head -c 5000 "$copy" > short.sqlite.zst
for file in junk.sqlite other.sqlite missing.sqlite short.sqlite.zst; do
  status=0
  "$program" --data-dir d restore "$file" > out.txt 2> err.txt || status=$?
  [ "$status" -eq 1 ] && grep -q "nothing was changed" err.txt || fail "restore $file: $status $(cat out.txt err.txt)"
  cmp -s "$db" log.before || fail "restore $file changed the log"
done
sqlite3 unpacked.sqlite "DELETE FROM logtab WHERE Band = '144'"
restored=$(count unpacked.sqlite)
QT_QPA_PLATFORM=offscreen "$program" --data-dir "$work/d" 2> /dev/null &
pid=$!
for _ in $(seq 1 100); do [ -e d/backup.sqlite.lock ] && break; sleep 0.1; done
status=0
"$program" --data-dir d restore "$copy" > out.txt 2> err.txt || status=$?
[ "$status" -eq 1 ] && grep -q "in use" err.txt || fail "restore beside a running program: $status $(cat err.txt)"
kill -TERM "$pid"; wait "$pid" || true; pid=
before=$(count "$db")
"$program" --data-dir d restore unpacked.sqlite > out.txt 2> err.txt || fail "restore failed: $(cat err.txt)"
[ "$(count "$db")" -eq "$restored" ] || fail "restored log holds $(count "$db") rows"
[ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] || fail "restored log damaged"
newest=$(ls d/backups/backup-*.sqlite.zst | sort | tail -1)
[ "$(zstd -q -d -c "$newest" > newest.sqlite && count newest.sqlite)" -eq "$before" ] \
  || fail "the log before the restore was not kept"
# The compressed copy taken straight: the log's dump is the dump of the log it was made of.
"$program" --data-dir d restore "$copy" > out.txt 2> err.txt || fail "restore of the compressed copy: $(cat err.txt)"
[ "$(sqlite3 "$db" .dump)" = "$(sqlite3 log.before .dump)" ] || fail "the restored compressed copy's dump differs"
ls -A d | grep -q '^\.restore-' && fail "a restore left its candidate: $(ls -A d)"
copy=unpacked.sqlite
# A journal that is not hot (a kill before its first sync leaves it empty or without its header) is
# cleared by restore as by every other command.
for journal in empty zeroed; do
  case $journal in
    empty) : > "$db-journal" ;;
    zeroed) head -c 4096 /dev/zero > "$db-journal" ;;
  esac
  "$program" --data-dir d restore "$copy" > out.txt 2> err.txt || fail "restore beside an $journal journal: $(cat err.txt)"
  [ ! -e "$db-journal" ] || fail "restore left the $journal journal"
  [ "$(count "$db")" -eq "$restored" ] && [ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] \
    || fail "the log restored beside an $journal journal"
done

# A full disk: the failed write names its cause, and the log is as before.
mkdir full
if mount -t tmpfs -o size=4m tmpfs full 2> /dev/null; then
  mkdir full/d
  cp "$db" full/d/backup.sqlite
  cp "$db" log.before
  dd if=/dev/zero of=full/fill bs=4k 2> /dev/null || true
  rm full/fill
  avail=$(df -k full | awk 'NR == 2 { print $4 }')
  dd if=/dev/zero of=full/fill bs=1k count=$((avail - 40)) 2> /dev/null || true
  status=0
  "$program" --data-dir full/d export-adif full/all.adi > out.txt 2> err.txt || status=$?
  [ "$status" -eq 1 ] && grep -q "No space left on device" err.txt || fail "full disk: $status $(cat out.txt err.txt)"
  [ ! -e full/all.adi ] || fail "a half-written file on the full disk"
  cmp -s full/d/backup.sqlite log.before || fail "the log on the full disk changed"
  # An import of many records (the indexes dropped and built again at its end) on a full disk:
  # nothing imported, the log as it was, its indexes included.
  sqlite3 -noheader "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000)
    SELECT printf('<CALL:%d>%s<QSO_DATE:8>20260102<TIME_ON:4>%02d%02d<BAND:4>70cm<MODE:2>CW<NAME:20>%s<EOR>',
                  length(c), c, i % 24, i % 60, printf('%020d', i))
    FROM (SELECT i, 'OK' || i AS c FROM n)" > many.adi
  # No room for the backup copy (made beside its compressed form, then dropped): nothing imported,
  # no partial copy left. Then room for the copy but not for the import's writes, twice as much.
  for room in 1800 2250 3300; do
    rm -f full/fill full/d/backups/*
    avail=$(df -k full | awk 'NR == 2 { print $4 }')
    dd if=/dev/zero of=full/fill bs=1k count=$((avail - room)) 2> /dev/null || true
    status=0
    "$program" --data-dir full/d import-adif many.adi > out.txt 2> err.txt || status=$?
    if [ "$room" -eq 1800 ]; then
      [ "$status" -eq 1 ] && grep -Eq "No backup.*(No space left on device|disk is full).*not imported" err.txt \
        || fail "backup on the full disk: $status $(cat out.txt err.txt)"
      [ -z "$(ls -A full/d/backups | grep -v '^\.lock$')" ] || fail "a failed copy left $(ls -A full/d/backups)"
    else
      [ "$status" -eq 1 ] && grep -q "Nothing was imported.*disk is full" err.txt \
        || fail "import on the full disk ($room KB): $status $(cat out.txt err.txt)"
      [ "$(ls -A full/d/backups | grep -c '^backup-.*-import\.sqlite\.zst$')" -eq 1 ] \
        || fail "the copy before the import ($room KB): $(ls -A full/d/backups)"
    fi
    [ ! -e full/d/backup.sqlite-journal ] || fail "a journal left on the full disk ($room KB)"
    # As it was in every row, index and pattern; a page that was free may hold other bytes.
    [ "$(sqlite3 full/d/backup.sqlite 'PRAGMA integrity_check')" = ok ] || fail "the log damaged ($room KB)"
    [ "$(sqlite3 full/d/backup.sqlite .dump)" = "$(sqlite3 log.before .dump)" ] || fail "the log changed ($room KB)"
  done
  umount full
else
  echo "write guard: no tmpfs (not root), full disk not tried" >&2
fi
echo "write guard: ok"
