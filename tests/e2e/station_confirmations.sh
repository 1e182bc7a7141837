#!/usr/bin/env bash
# Drives the real program under Xvfb with xdotool: a LoTW report through the grid's menu confirms
# the contacts it matches (a few minutes and seconds off, SSB and CW) and adds none, and the grid
# says so beside the QSL state; a station profile made in the settings' Station dialog goes with the
# next contact typed (its locator, its distance, its callsign), the home contacts keep theirs;
# adif-parser-ts reads the export.
# With MIVRA_E2E_SHOTS=DIR the screens are kept.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(readlink -f "$1")
adif_parser=$2
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
[ -f "$adif_parser/package.json" ] || fail "adif-parser-ts missing in $adif_parser (scripts/setup.sh installs it)"

mkdir -p data
write_station_settings Quovan.txt
load_places "$program"
keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
typed() { xdotool type --delay 60 "$1"; sleep 0.2; }
db=data/backup.sqlite
q() { sqlite3 "$db" "$1"; }
await() {
  local id
  id=$(wait_window "$1")
  [ -n "$id" ] || fail "no window $1"
  echo "$id"
}
close_message() {
  local box
  box=$(await '^Mivra$')
  shot "$1"
  text=$(box_text "$box")
  close_box "$box" || fail "the message box stayed"
}

start
stop
q "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, QSL, Band, mode, QRB) VALUES
  ('2026-06-06', '14:05', 'OK1KIR', 'JO70FD', '59', '59', 'Y', '144', 'SSB', 300),
  ('2026-06-06', '14:10', 'DL0GTH', 'JO50VI', '599', '599', 'S', '144', 'CW', 200),
  ('2026-06-06', '14:20', 'SP6ABC', 'JO81AB', '59', '59', 'Y', '432', 'FM', 400)"
home_qrb=$(q "SELECT QRB FROM logtab WHERE Callsign = 'OK1KIR'")

# The report: 4 min 59 s off in USB for an SSB contact, 2 minutes off in CW, one stranger.
cat > lotw.adi <<'EOF'
ARRL Logbook of the World Status Report
Generated at 2026-06-20 08:00:00
<PROGRAMID:4>LoTW
<eoh>
<CALL:6>OK1KIR<BAND:2>2M<MODE:3>USB<QSO_DATE:8>20260606<TIME_ON:6>140959<QSL_RCVD:1>Y<QSLRDATE:10>2026-06-20<eor>
<CALL:6>DL0GTH<BAND:2>2M<MODE:2>CW<QSO_DATE:8>20260606<TIME_ON:6>141200<QSL_RCVD:1>Y<QSLRDATE:10>2026-06-20<eor>
<CALL:4>W1AW<BAND:3>20M<MODE:2>CW<QSO_DATE:8>20260606<TIME_ON:6>120000<QSL_RCVD:1>Y<QSLRDATE:10>2026-06-20<eor>
EOF

start
shot station-start
# Delete, (separator), Export ADIF, Import ADIF, Export EDI, Import confirmations: 5 down.
[ -n "$(grid_menu_entry "$window" 5 '^Import LoTW')" ] || fail "no confirmation import dialog"
dialog=$(await '^Import LoTW')
sleep 0.5
xdotool key --window "$dialog" ctrl+a
xdotool type --delay 20 "$work/lotw.adi"
xdotool key Return
close_message confirmations-summary
echo "$text" | grep -q "2 of 3 records confirmed a contact, 1 match no contact (not added)" || fail "summary: $text"
[ "$(q 'SELECT count(*) FROM logtab')" -eq 3 ] || fail "the report added contacts"
[ "$(q "SELECT group_concat(Callsign || ':' || QSL || ':' || coalesce(LotwRcvd, '') || ':' || coalesce(LotwRdate, ''), ' ') FROM logtab")" \
  = "OK1KIR:Y:Y:2026-06-20 DL0GTH:S:Y:2026-06-20 SP6ABC:Y::" ] || fail "confirmations: $(q 'SELECT * FROM logtab')"
ls data/*unmatched-lotw-*.txt > /dev/null 2>&1 || fail "no list of unmatched records beside the log"
grep -q W1AW data/*unmatched-lotw-*.txt || fail "the stranger is not listed"
# Beside the QSL state the grid says how each contact is confirmed, wide enough for all three kinds.
qsl=($(place grid 1.QSL))
confirmed=($(place grid 1.Confirmed))
gap=$((confirmed[0] - qsl[0] - qsl[2]))
[ "$gap" -ge 0 ] && [ "$gap" -le 2 ] && [ "${confirmed[1]}" -eq "${qsl[1]}" ] \
  || fail "the Confirmed column is not beside QSL: ${qsl[*]} / ${confirmed[*]}"
[ "${confirmed[2]}" -ge 60 ] || fail "the Confirmed column is ${confirmed[2]} pixels wide"
shot confirmations-grid

# A station profile from the settings' Station dialog: a hilltop with its own callsign and locator.
click_control "$window" main Initials
settings=$(await '^Initial$')
focus_window "$settings"
keys alt+t
station=$(await '^Station$')
focus_window "$station"
keys alt+n
keys ctrl+a; typed "DL1AAA/P"
keys Tab; typed "jo60lk"
keys Tab; typed "DL2BBB"
keys Tab; typed "10"
shot station-dialog
keys alt+s
for _ in $(seq 1 50); do xdotool search --onlyvisible --name '^Station$' >/dev/null || break; sleep 0.1; done
grep -q '^active=Station 1' data/mivra.ini || fail "no active profile: $(cat data/mivra.ini)"
grep -q '^p1.locator=JO60LK' data/mivra.ini || fail "profile: $(cat data/mivra.ini)"
# The settings window stays open beside the main window: New lies clear of it.

# A contact from the hill.
window=$(await "$main_title")
focus_window "$window"
click_control "$window" main addnew
sleep 0.4
typed "ok1kir"; keys Return
typed "jo70fd"; keys Return
keys Return Return Return Return Return Return Return Return Return
for _ in $(seq 1 50); do [ "$(q 'SELECT count(*) FROM logtab')" -ge 4 ] && break; sleep 0.2; done
shot station-logged
[ "$(q "SELECT MyGrid FROM logtab WHERE ID = (SELECT max(ID) FROM logtab)")" = JO60LK ] \
  || fail "the hill contact: $(q 'SELECT * FROM logtab WHERE ID = (SELECT max(ID) FROM logtab)')"
hill_qrb=$(q "SELECT round(QRB) FROM logtab WHERE ID = (SELECT max(ID) FROM logtab)")
# JO60LK to JO70FD is some 111 km; from the settings' JO62QM it is some 275 km.
[ "${hill_qrb%.*}" -gt 100 ] && [ "${hill_qrb%.*}" -lt 160 ] || fail "the hill contact's distance $hill_qrb"
[ "$(q "SELECT QRB FROM logtab WHERE Callsign = 'OK1KIR' AND ID = 1")" = "$home_qrb" ] || fail "a home contact changed"
stop

"$program" export-adif out.adi --data-dir "$work/data" > /dev/null || fail "export"
node -e '
const {AdifParser} = require(process.argv[1]);
const r = AdifParser.parseAdi(require("fs").readFileSync(process.argv[2], "latin1")).records;
const want = (i, k, v) => { if (r[i][k] !== v) throw new Error(`record ${i} ${k}: ${r[i][k]} not ${v}`); };
want(0, "my_gridsquare", "JO62QM"); want(0, "lotw_qsl_rcvd", "Y"); want(0, "lotw_qslrdate", "20260620");
want(0, "qsl_sent", "Q");
want(3, "my_gridsquare", "JO60LK"); want(3, "station_callsign", "DL1AAA/P"); want(3, "operator", "DL2BBB");
want(3, "tx_pwr", "10");
' "$adif_parser" out.adi || fail "adif-parser-ts: the export"
echo "station_confirmations: ok"
