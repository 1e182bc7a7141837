#!/usr/bin/env bash
# A contest evening typed as an operator types it, under Xvfb: the contest dialog walked with Tab, twenty
# contacts entered with Enter and the Save keys only (the newest on top of the grid after each), Shift+Tab
# back to Date and Time, a refused locator kept for mending, a locator prefilled from the log, Delete and
# Ctrl+Z with the count and the counters read off the screen, and the EDI dialog taking the running
# contest. Every stored distance, and every EDI record's points, agree to the kilometre with the centre
# to centre distance computed here independently. Screenshots go to the folder given second.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(realpath "$1")
shots=$(realpath "${2:-.}")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
db=data/backup.sqlite

# A first start creates the log; two earlier contacts with OK1KIR, the later one in JO70FD.
QT_QPA_PLATFORM=offscreen "$program" --data-dir "$work/data" 2>stderr.txt &
pid=$!
for _ in $(seq 1 200); do [ -s "$db" ] && break; sleep 0.1; done
sleep 0.5
kill -TERM "$pid"; wait "$pid" || true; pid=
write_station_settings Quovan.txt
sqlite3 "$db" "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode) VALUES
  ('2026-01-10', '10:00', 'OK1KIR', 'JO70FD', '59', '59', '144', 'SSB'),
  ('2025-06-01', '10:00', 'OK1KIR', 'JO60AA', '59', '59', '144', 'SSB')"

keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
typed() { xdotool type --delay 50 "$1"; sleep 0.2; }
snap() { import -window root "$shots/$1.png"; }
count() { sqlite3 "$db" "SELECT COUNT(*) FROM logtab"; }
await_count() { for _ in $(seq 1 50); do [ "$(count)" -eq "$1" ] && return 0; sleep 0.1; done; return 1; }
# The text of a selectable label of the main window: a triple click, the X primary selection.
select_at() {
  printf '' | xclip -selection primary
  xdotool mousemove --window "$window" "$1" "$2" click --repeat 3 --delay 80 1
  sleep 0.3
  xclip -o -selection primary 2>/dev/null || true
}
label_text() { select_at $(middle main "$1"); }
# The count line: centred in the caption bar above the grid.
count_line() {
  local grid caption
  grid=($(place main DataGrid1)); caption=($(place main DataGrid1Caption))
  select_at $((grid[0] + grid[2] / 2)) $((caption[1] + 6))
}
# The callsign shown in the grid's first row, copied out of the cell's editor and given up with Esc.
top_callsign() {
  printf '' | xclip -selection clipboard
  xdotool mousemove --window "$window" $(middle grid 1.Callsign) click --repeat 2 --delay 60 1
  sleep 0.4
  xdotool key ctrl+a ctrl+c Escape
  sleep 0.2
  xclip -o -selection clipboard 2>/dev/null || true
}
ini_value() { sed -n "s/^$1=//p" data/mivra.ini; }

load_places "$program"
start
focus_window "$window"
sleep 0.5
year=$(date -u +%Y)

# The contest dialog: Tab goes from the name to the band list, whose keys move the band, not a date.
contest_dialog() {
  click_control "$window" main contest
  dialog=$(wait_window '^Contest$')
  [ -n "$dialog" ] || fail "no contest dialog"
  focus_window "$dialog"
}
contest_dialog
typed "Night Contest"
keys Tab Home Down Down Down   # 40 MHz, then 50, 60 and 70 MHz
snap night_contest_dialog
keys Return
sleep 0.5
[ "$(ini_value band)" = 70 ] || fail "the band list did not take the keys: $(cat data/mivra.ini)"
[ "$(ini_value start | cut -c1-4)" = "$year" ] || fail "a key meant for the band changed the start: $(ini_value start)"
contest_dialog
keys Tab Down          # 144 MHz
keys Return
sleep 0.5
[ "$(ini_value band)" = 144 ] || fail "band $(ini_value band)"
[ "$(ini_value name)" = "Night Contest" ] || fail "name $(ini_value name)"
start_time=$(ini_value start)
end_time=$(ini_value end)
focus_window "$window"

# Twenty contacts: New, the callsign, Enter, the locator, Enter over the serial sent, the report received
# and Enter (or, every third contact, Ctrl+S; every fifth F12). The newest stands on top: the grid is read
# after each, which takes the focus, so New is clicked rather than Entered.
grids=(JO70FD JO61UA JN79FX JO50VF JO72GI JO40HA JN69JG JO71RA JO52AC JO63SE
       JO80KA JO31MM JN89AK JO93AA JO62KK JO54XM JN88NE JO60LL JO42GE JO73CC)
for i in $(seq 1 20); do
  call=$(printf 'OK%dN%c' $((i % 10)) "$(printf "\\x$(printf %x $((64 + i)))")")
  grid=${grids[$((i - 1))]}
  click_control "$window" main addnew
  sleep 0.3
  typed "$call"; keys Return
  typed "$grid"; keys Return Return
  typed "$(printf '59%03d' $((30 + i)))"
  if [ $((i % 5)) -eq 0 ]; then keys F12
  elif [ $((i % 3)) -eq 0 ]; then keys ctrl+s
  else keys Return; fi
  await_count $((2 + i)) || fail "contact $i ($call) not saved: $(count) rows"
  top=$(top_callsign)
  [ "$top" = "$call" ] || fail "after contact $i the grid's first row is '$top', not $call"
  focus_window "$window"
done
snap night_contest_20
[ "$(sqlite3 "$db" "SELECT rsts FROM logtab WHERE Callsign = 'OK0NT'")" = 59020 ] \
  || fail "the serial of the twentieth: $(sqlite3 "$db" "SELECT rsts FROM logtab WHERE Callsign = 'OK0NT'")"
[ "$(sqlite3 "$db" "SELECT rstr FROM logtab WHERE Callsign = 'OK0NT'")" = 59050 ] || fail "report received"

# A station already in the log: its latest locator is filled in, selected; Enter takes it. From here
# on Enter on New starts each contact.
click_control "$window" main addnew
sleep 0.3
keys Escape Return
typed ok1kir; keys Return
sleep 0.5
snap night_prefilled
keys Return Return
typed 59021; keys Return
await_count 23 || fail "OK1KIR not saved"
[ "$(sqlite3 "$db" "SELECT Grid FROM logtab WHERE Callsign = 'OK1KIR' ORDER BY ID DESC LIMIT 1")" = JO70FD ] \
  || fail "prefilled: $(sqlite3 "$db" "SELECT Grid FROM logtab ORDER BY ID DESC LIMIT 1")"
# A portable call is its own station: nothing is filled in, what is typed is stored.
keys Return
typed ok1kir/p; keys Return
typed jo60aa; keys Return Return
typed 59022; keys ctrl+s
await_count 24 || fail "OK1KIR/P not saved"
[ "$(sqlite3 "$db" "SELECT Grid FROM logtab WHERE Callsign = 'OK1KIR/P'")" = JO60AA ] || fail "portable prefilled"

# A refused locator keeps its text, selected: the message says what is wrong, End and one letter mend it.
keys Return
typed dl7zz; keys Return
typed jo33q; keys Return
box=$(wait_box)
[ -n "$box" ] || fail "no message for the locator JO62Q"
said=$(box_text "$box")
snap night_locator_refused
[[ "$said" == *"JO33Q"*"5 characters"* ]] || fail "the message: $said"
close_box "$box" || fail "the message stays"
focus_window "$window"
keys End
typed m; keys Return Return
typed 59023; keys Return
await_count 25 || fail "DL7ZZ not saved"
[ "$(sqlite3 "$db" "SELECT Grid FROM logtab WHERE Callsign = 'DL7ZZ'")" = JO33QM ] \
  || fail "mended locator: $(sqlite3 "$db" "SELECT Grid FROM logtab WHERE Callsign = 'DL7ZZ'")"

# Shift+Tab from the callsign reaches Time and Date: a contact of a paper log typed with its own time.
keys Return
typed dl8aa
keys shift+Tab ctrl+a
typed 12:34
keys shift+Tab ctrl+a
typed 2026-01-02
snap night_shift_tab
keys Tab Tab Tab
typed jo50aa
keys ctrl+s
await_count 26 || fail "DL8AA not saved"
[ "$(sqlite3 "$db" "SELECT Date || ' ' || GMT FROM logtab WHERE Callsign = 'DL8AA'")" = "2026-01-02 12:34" ] \
  || fail "Shift+Tab: $(sqlite3 "$db" "SELECT Date, GMT FROM logtab WHERE Callsign = 'DL8AA'")"

# Delete and Ctrl+Z: the count line and the squares counter change at once, and change back.
click_control "$window" main optOption2   # the Grid selector: the squares counters
sleep 0.3
click_control "$window" main Search
sleep 1
shown=$(count_line)
squares=$(label_text Sqw)
[ "$shown" = 26 ] || fail "the count line says '$shown'"
top=$(top_callsign)
focus_window "$window"
click_at "$window" $(middle grid 1.Callsign)
sleep 0.3
keys Delete
sleep 1
snap night_delete_question
keys Return
await_count 25 || fail "$top not deleted"
focus_window "$window"
sleep 0.5
snap night_deleted
[ "$(count_line)" = 25 ] || fail "after Delete the count line says '$(count_line)'"
[ "$(label_text Sqw)" -eq $((squares - 1)) ] || fail "after Delete $(label_text Sqw) squares, before $squares"
keys ctrl+z
await_count 26 || fail "Ctrl+Z did not bring $top back"
sleep 0.5
[ "$(count_line)" = 26 ] || fail "after Ctrl+Z the count line says '$(count_line)'"
[ "$(label_text Sqw)" = "$squares" ] || fail "after Ctrl+Z $(label_text Sqw) squares, before $squares"
[ "$(top_callsign)" = "$top" ] || fail "after Ctrl+Z the first row is $(top_callsign)"
snap night_undone
focus_window "$window"

# Export EDI... in the grid's menu: the dialog offers the running contest, so Enter exports it alone.
[ -n "$(grid_menu_entry "$window" 4 '^EDI contest log')" ] || fail "no EDI dialog"
sleep 0.5
snap night_edi_dialog
keys Return
file_dialog=$(wait_window '^Export EDI')
[ -n "$file_dialog" ] || fail "no file dialog"
sleep 0.5
xdotool key --window "$file_dialog" ctrl+a
typed "$work/night.edi"
keys Return
box=$(wait_box)
[ -n "$box" ] && close_box "$box"
[ -s night.edi ] || fail "no EDI file"
tr -d '\r' < night.edi > night.txt
grep -qx 'TName=Night Contest' night.txt || fail "EDI name: $(grep TName night.txt)"
grep -qx 'PBand=144 MHz' night.txt || fail "EDI band: $(grep PBand night.txt)"
grep -qx "TDate=$(tr -d - <<<"${start_time:0:10}");$(date -u -d "${end_time/T/ } UTC - 1 minute" +%Y%m%d)" night.txt \
  || fail "EDI span: $(grep TDate night.txt), contest $start_time to $end_time"
records=$(sed -n 's/^\[QSORecords;\([0-9]*\)\]$/\1/p' night.txt)
[ "$records" -eq 23 ] || fail "the EDI file holds $records records, the contest 23"

# The command line beside the open window: export-adif and export-edi read the whole log and change nothing.
sleep 1
cp "$db" log.before
"$program" export-adif beside.adi --data-dir "$work/data" > out.txt 2> err.txt || fail "export-adif beside the window: $(cat err.txt)"
[ "$(grep -oi '<eor>' beside.adi | wc -l)" -eq "$(count)" ] || fail "export-adif wrote $(grep -oi '<eor>' beside.adi | wc -l) of $(count)"
"$program" export-edi beside.edi --data-dir "$work/data" --band 144 --from "$start_time" --to "$end_time" \
  > out.txt 2> err.txt || fail "export-edi beside the window: $(cat err.txt)"
[ "$(tr -d '\r' < beside.edi | sed -n 's/^\[QSORecords;\([0-9]*\)\]$/\1/p')" -eq 23 ] || fail "export-edi beside the window"
cmp -s "$db" log.before || fail "an export beside the window changed the log"
if "$program" import-adif beside.adi --data-dir "$work/data" > /dev/null 2> err.txt; then fail "import beside the window"; fi
grep -q "in use by another copy" err.txt || fail "no message of the lock: $(cat err.txt)"
cmp -s "$db" log.before || fail "the refused import changed the log"
# A confirmations download writes as well: it waits for the window like an import.
if "$program" import-confirmations beside.adi --data-dir "$work/data" > /dev/null 2> err.txt; then
  fail "confirmations imported beside the window"
fi
grep -q "in use by another copy" err.txt || fail "no message of the lock: $(cat err.txt)"
cmp -s "$db" log.before || fail "the refused confirmations changed the log"
stop

# Distances: the stored QRB and each EDI record's points against the centres computed here.
sqlite3 -separator ' ' "$db" "SELECT Callsign, Grid, CAST(QRB AS INTEGER) FROM logtab WHERE QRB IS NOT NULL" > stored.txt
python3 - stored.txt night.txt <<'EOF'
import math, sys

def centre(loc):
    loc = loc.upper()
    lon = (ord(loc[0]) - 65) * 20 - 180 + int(loc[2]) * 2
    lat = (ord(loc[1]) - 65) * 10 - 90 + int(loc[3])
    w, h = 2.0, 1.0
    if len(loc) >= 6:
        w, h = 2.0 / 24, 1.0 / 24
        lon += (ord(loc[4]) - 65) * w
        lat += (ord(loc[5]) - 65) * h
    return lon + w / 2, lat + h / 2

def km(a, b):
    (lon1, lat1), (lon2, lat2) = centre(a), centre(b)
    p1, p2, dl = math.radians(lat1), math.radians(lat2), math.radians(lon2 - lon1)
    c = math.sin(p1) * math.sin(p2) + math.cos(p1) * math.cos(p2) * math.cos(dl)
    return 6371.0 * math.acos(max(-1.0, min(1.0, c)))

bad = []
for line in open(sys.argv[1]):
    call, grid, qrb = line.split()
    if abs(int(qrb) - km("JO62QM", grid)) > 1:
        bad.append(f"{call} {grid}: stored {qrb} km, centre to centre {km('JO62QM', grid):.1f}")
records = False
for line in open(sys.argv[2]):
    line = line.strip()
    if line.startswith("[QSORecords"):
        records = True
        continue
    if records and line:
        f = line.split(";")
        if f[14] == "D":
            continue  # a duplicate scores nothing
        if abs(int(f[10]) - km("JO62QM", f[9])) > 1:
            bad.append(f"EDI {f[2]} {f[9]}: {f[10]} points, centre to centre {km('JO62QM', f[9]):.1f}")
if bad:
    print("\n".join(bad))
    sys.exit(1)
EOF
[ $? -eq 0 ] || fail "distances disagree"
echo "contest night: ok (screenshots in $shots)"
