#!/usr/bin/env bash
# Files that are not what they should be, through the command line: a FIFO, /dev/zero or a huge sparse
# file as the file to import, the same and an endless value as edi-station.txt, a FIFO as the settings
# file, and an import whose file another process cuts short part-way. Each ends at once with a message
# naming the file (or, for the sparse file, with "no records" in little memory); the log's .dump is as
# before (sqlite3). Memory is measured with GNU time.
set -euo pipefail
program=$1
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen
db=d/backup.sqlite

printf '"DL1AAA"\r\n"JO62QM"\r\n1\r\n1\r\n10\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n1\r\n' > Quovan.txt
printf '<CALL:4>OK1A<QSO_DATE:8>20250101<TIME_ON:4>0000<BAND:2>2m<EOR>\n' > seed.adi
"$program" import-adif seed.adi --data-dir d > /dev/null || fail "the first import did not create the log"
sqlite3 "$db" .dump > dump.before
unchanged() { [ "$(sqlite3 "$db" .dump)" = "$(cat dump.before)" ] || fail "$1 changed the log"; }
# refused WHAT EXPECTED COMMAND...: status 1 within 10 s, standard error matching EXPECTED.
refused() {
  local what=$1 expected=$2 status=0
  shift 2
  timeout 10 "$@" > out.txt 2> err.txt || status=$?
  [ "$status" -ne 124 ] || fail "$what: still running after 10 s"
  [ "$status" -eq 1 ] || fail "$what: status $status, $(cat out.txt err.txt)"
  grep -q -- "$expected" err.txt || fail "$what: $(cat err.txt)"
}

# The file to import: a FIFO, /dev/zero and a link to it are refused by name.
mkfifo fifo.adi
ln -s /dev/zero zero.adi
for file in "$work/fifo.adi" /dev/zero "$work/zero.adi"; do
  refused "import-adif $file" "The file $file cannot be read: it is not a regular file" \
    "$program" import-adif "$file" --data-dir d
  unchanged "import-adif $file"
done

# A sparse file of 1 GB: no records, read with flat memory.
truncate -s 1G sparse.adi
status=0
/usr/bin/time -f '%M' -o memory.txt "$program" import-adif sparse.adi --data-dir d > out.txt 2> err.txt || status=$?
[ "$status" -eq 1 ] && grep -q "holds no ADIF records" err.txt || fail "sparse file: $status $(cat err.txt)"
[ "$(tail -1 memory.txt)" -lt 200000 ] || fail "the sparse file took $(tail -1 memory.txt) KB"
rm sparse.adi
unchanged "the sparse file"

# An import whose file another process cuts short once the program has read it once through (its
# UTF-8 check) and goes on with the records: the program lives on, says so, and keeps nothing of it.
sqlite3 -noheader :memory: "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300000)
  SELECT printf('<CALL:%d>%s<QSO_DATE:8>20260102<TIME_ON:4>%02d%02d<BAND:4>70cm<MODE:2>CW<NAME:20>%s<EOR>',
                length(c), c, i % 24, i % 60, printf('%020d', i))
  FROM (SELECT i, 'OK' || i AS c FROM n)" > many.adi
size=$(stat -c %s many.adi)
"$program" import-adif many.adi --data-dir d > out.txt 2> err.txt &
pid=$!
read_bytes() { awk '/^rchar:/ { print $2 }' "/proc/$pid/io" 2>/dev/null || echo 0; }
for _ in $(seq 1 600); do [ "$(read_bytes)" -gt $(( size + size / 4 )) ] && break; sleep 0.02; done
truncate -s 100000 many.adi
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 1 ] || fail "the cut import ended with status $status: $(cat out.txt err.txt)"
grep -q "Nothing was imported: the file $work/many.adi cannot be read: it became shorter while it was read" err.txt \
  || fail "the cut import: $(cat out.txt err.txt)"
unchanged "the cut import"
[ ! -e "$db-journal" ] || fail "the cut import left a journal"

# edi-station.txt: a FIFO, a link to /dev/zero, a value of 10 MB. Refused by name, no EDI file made.
edi=(export-edi contest.edi --data-dir d --band 144 --from 2025-01-01T00:00 --to 2025-01-02T00:00)
for kind in fifo zero long; do
  rm -f d/edi-station.txt
  case $kind in
    fifo) mkfifo d/edi-station.txt; expected="cannot be read: it is not a regular file" ;;
    zero) ln -s /dev/zero d/edi-station.txt; expected="cannot be read: it is not a regular file" ;;
    long) { printf 'RName=Eva\nPAdr1='; head -c 10000000 /dev/zero | tr '\0' a; printf '\n'; } > d/edi-station.txt
          expected="cannot be read: it is larger than 64 KB" ;;
  esac
  refused "edi-station.txt as $kind" "The station details $work/d/edi-station.txt $expected" "$program" "${edi[@]}"
  [ ! -e contest.edi ] || fail "an EDI file written beside a $kind edi-station.txt"
done
# A value longer than a header line holds is named; the file is refused as such.
{ printf 'RName=Eva\nPAdr1='; head -c 300 /dev/zero | tr '\0' a; printf '\n'; } > d/edi-station.txt
refused "a long PAdr1" "hold more than 200 characters for PAdr1" "$program" "${edi[@]}"
rm d/edi-station.txt
"$program" "${edi[@]}" > out.txt 2> err.txt || fail "export-edi without edi-station.txt: $(cat err.txt)"

# A FIFO as the settings file: the exports do not wait on it.
rm -f contest.edi Quovan.txt
mkfifo Quovan.txt
timeout 10 "$program" export-adif all.adi --data-dir d > out.txt 2> err.txt \
  || fail "export-adif beside a FIFO settings file: $? $(cat err.txt)"
grep -q "Exported 1 contacts" out.txt || fail "export-adif beside a FIFO settings file: $(cat out.txt)"
unchanged "the exports"
echo "hostile files: ok"
