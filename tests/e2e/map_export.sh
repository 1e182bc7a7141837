#!/usr/bin/env bash
# Drives the real program under Xvfb with xdotool on a log of 1,000 contacts: Search with an empty box
# (squares, then entities), GD and its message, then the globe button. The map is handed to a stub
# xdg-open placed first on PATH, the program QDesktopServices starts on Linux, so nothing else opens;
# earth.kml is checked with xmllint and GDAL's ogrinfo. Without an own locator GD and the globe button
# say so and change nothing. With MIVRA_E2E_SHOTS=DIR the screens are kept.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(readlink -f "$1")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p data bin
cat > bin/xdg-open <<STUB
#!/bin/sh
printf '%s\n' "\$*" >> "$work/opened.txt"
STUB
chmod +x bin/xdg-open
export PATH="$work/bin:$PATH"
printf '"DL1AAA"\r\n"JO62QM"\r\n2\r\n1\r\n10\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n128\r\n1\r\n' > Quovan.txt

load_places "$program"
# Clicks at the middle of a control of the main window.
click() {
  click_control "$window" main "$1"
  sleep 0.5
}

# A first run creates the log; then 1,000 contacts go in, 144 MHz but every fifth, a few without locator.
start
stop
db=data/backup.sqlite
sqlite3 "$db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000)
  INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, DXCC, QSL, Band, mode, QRB, QTF, Prop, Comment)
  SELECT printf('2026-01-%02d', 1 + i % 28), printf('%02d:%02d', i % 24, i % 60),
         'OK' || (i % 10) || 'A' || char(65 + i % 26) || char(65 + (i / 26) % 26),
         CASE WHEN i % 100 = 7 THEN NULL
              ELSE char(73 + i % 3) || char(77 + (i / 3) % 4) || ((i / 12) % 4) || ((i / 48) % 3)
                   || char(65 + i % 24) || char(65 + (i / 24) % 24) END,
         '59', '57',
         CASE i % 5 WHEN 0 THEN 'OK Czech Republic' WHEN 1 THEN 'DL Fed. Rep. of Germany' WHEN 2 THEN 'SP Poland'
                    WHEN 3 THEN 'OE Austria' ELSE 'OE Austria (Vienna)' END,
         CASE i % 3 WHEN 0 THEN 'Q' WHEN 1 THEN 'D' ELSE 'N' END,
         CASE WHEN i % 5 = 0 THEN '432' ELSE '144' END, 'SSB', 500, 90,
         CASE i % 4 WHEN 0 THEN 'Tr' WHEN 1 THEN 'Es' WHEN 2 THEN 'Ms' ELSE '' END,
         CASE WHEN i % 50 = 1 THEN 'tnx & <73> Grüße' || char(11) ELSE '' END
  FROM n"
band_rows=$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Band LIKE '144%'")
map_rows=$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE Grid <> '' AND Band LIKE '144%'")
squares=$(sqlite3 "$db" "SELECT COUNT(DISTINCT substr(Grid, 1, 4)) FROM logtab WHERE Grid <> '' AND Band LIKE '144%'")

start
shot start
# Search with the box empty: the selector stands on "grid", so the squares counters run.
click Search
shot squares
# GD prepares every 144 MHz row and tells how many; Return dismisses the message.
click gridDEC
[ -n "$(wait_window '^Mivra$' 20)" ] || fail "GD showed no message"
shot gd-message
xdotool key Return
for _ in $(seq 1 50); do xdotool search --onlyvisible --name '^Mivra$' >/dev/null || break; sleep 0.1; done
xdotool search --onlyvisible --name '^Mivra$' >/dev/null && fail "the message stayed after Return"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE GEdata LIKE 'Log: %' AND Band LIKE '144%'")" -eq "$map_rows" ] \
  || fail "GD did not prepare the rows of the band"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE GEpoly <> ''")" -eq "$squares" ] || fail "outlines: one per square"
[ "$(sqlite3 "$db" "SELECT COUNT(*) FROM logtab WHERE GEdata IS NOT NULL AND Band LIKE '432%'")" -eq 0 ] \
  || fail "GD touched another band"

# The globe button writes earth.kml and hands it to xdg-open.
click GoogleEarth
for _ in $(seq 1 50); do [ -s opened.txt ] && break; sleep 0.1; done
[ -s opened.txt ] || fail "the map was not handed to xdg-open"
grep -qx "file://$work/earth.kml" opened.txt || fail "xdg-open got $(cat opened.txt)"
xmllint --noout earth.kml || fail "xmllint rejects earth.kml"
features=$(ogrinfo -ro -al -so earth.kml | sed -n 's/^Feature Count: //p' | awk '{ s += $1 } END { print s + 0 }')
# The own station, then a square and a line per contact with a locator.
[ "$features" -eq $((1 + 2 * map_rows)) ] || fail "ogrinfo reads $features features, expected $((1 + 2 * map_rows))"
# CRLF lines: declaration, kml, Document, name, own station, a line per placemark, the two ends.
[ "$(grep -c $'\r$' earth.kml)" -eq $((5 + 2 * map_rows + 2)) ] || fail "earth.kml: unexpected CRLF lines"
grep -q -e '<color>#' -e '<color></color>' earth.kml && fail "earth.kml holds a colour with # or an empty one"
grep -q 'tnx &amp; &lt;73&gt; Grüße' earth.kml || fail "the comment is not escaped"

# The entity counters: the selector's first choice, then Search with the box still empty.
click optOption1
click Search
shot counters

# The own locator emptied: GD and the globe button tell the operator and change neither the log nor the map.
before=$(sqlite3 "$db" "SELECT group_concat(GEgridXY || GEdata, '|') FROM logtab")
sha256sum earth.kml > map.sha256
xdotool mousemove --window "$window" $(middle main MyGrid) click 1 key ctrl+a BackSpace
for button in gridDEC GoogleEarth; do
  click "$button"
  [ -n "$(wait_window '^Mivra$' 10)" ] || fail "no message without an own locator"
  shot "no-own-locator-$button"
  xdotool key Return
  for _ in $(seq 1 50); do xdotool search --onlyvisible --name '^Mivra$' >/dev/null || break; sleep 0.1; done
done
[ "$(sqlite3 "$db" "SELECT group_concat(GEgridXY || GEdata, '|') FROM logtab")" = "$before" ] \
  || fail "GD without an own locator changed the map data"
sha256sum --quiet -c map.sha256 || fail "the globe button without an own locator rewrote earth.kml"
[ "$(wc -l < opened.txt)" -eq 1 ] || fail "the globe button without an own locator opened a map"
stop
echo "map export: ok ($band_rows contacts on 144 MHz, $map_rows on the map, $squares squares, $features features)"
