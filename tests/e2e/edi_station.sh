#!/usr/bin/env bash
# The station details of EDI logs: export-edi reads edi-station.txt of the data folder into the header
# (every key, umlauts as ae/oe/ue, RCall without /P, a contest ending at midnight), takes PCall from
# the contest's station profile, writes reports as RST and serial, and refuses a digital report by
# name. Then, under Xvfb, the EDI dialog's Responsible name field is typed into; the name lands in
# edi-station.txt and in the header.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(readlink -f "$1")
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

mkdir -p data
printf '"DL1AAA/P"\r\n"JO62QM"\r\n2\r\n1\r\n10\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n128\r\n1\r\n' > Quovan.txt
start
stop
sqlite3 data/backup.sqlite "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode) VALUES
  ('2026-06-06', '14:05', 'OK1KIR', 'JO70FD', '59 005', '59005', '144', 'SSB'),
  ('2026-06-06', '18:10', 'DL0GTH', 'JO50VI', '59', '57 012', '144', 'SSB'),
  ('2026-06-06', '23:59', 'SP6ABC', 'JO81AB', '599006', '599', '144', 'CW')"

keys="PAdr1 PClub RName RCall RAdr1 RPoCo RCity RCoun RPhon MOpe1 STXEq SPowe SRXEq SAnte SAntH"
for key in $keys; do echo "$key=$key text"; done > data/edi-station.txt
printf 'RCity=München Süd\nRCall=dl9xyz\n' >> data/edi-station.txt
"$program" export-edi night.edi --band 144 --from 2026-06-06T14:00 --to 2026-06-07T00:00 --data-dir data \
  >out.txt 2>err.txt || fail "export-edi failed: $(cat err.txt)"
for key in $keys; do
  [ "$key" = RCity ] || [ "$key" = RCall ] && continue
  grep -q "^$key=$key text"$'\r$' night.edi || fail "$key is not in the header: $(grep "^$key=" night.edi)"
done
grep -q $'^RCity=Muenchen Sued\r$' night.edi || fail "RCity: $(grep '^RCity=' night.edi)"
grep -q $'^RCall=DL9XYZ\r$' night.edi || fail "RCall: $(grep '^RCall=' night.edi)"
grep -q $'^TDate=20260606;20260606\r$' night.edi || fail "$(grep '^TDate=' night.edi)"
grep -q $'^260606;1405;OK1KIR;1;59;005;59;005;' night.edi || fail "59 005: $(grep OK1KIR night.edi)"
grep -q $'^260606;1810;DL0GTH;1;59;;57;012;' night.edi || fail "no serial: $(grep DL0GTH night.edi)"
grep -q $'^260606;2359;SP6ABC;2;599;006;599;;' night.edi || fail "CW: $(grep SP6ABC night.edi)"

# Without the file: RCall is the own callsign without /P, MOpe1 the operators given.
rm data/edi-station.txt
"$program" export-edi plain.edi --band 144 --from 2026-06-06T14:00 --to 2026-06-07T00:00 --operators "DL1AAA" \
  --data-dir data >out.txt 2>err.txt || fail "export-edi without station details failed: $(cat err.txt)"
grep -q $'^RCall=DL1AAA\r$' plain.edi && grep -q $'^PCall=DL1AAA/P\r$' plain.edi && grep -q $'^MOpe1=DL1AAA\r$' plain.edi \
  || fail "RCall/PCall/MOpe1: $(grep -e '^RCall' -e '^PCall' -e '^MOpe1' plain.edi)"

# PCall as the window takes it: the station profile the contest is worked from, else the active
# profile, else the settings' callsign (DL1AAA/P above); the contacts without their own locator are
# from that station's.
write_ini() { # active profile, the contest's profile
  printf '[stations]\ncount=2\nactive=%s\np1.name=Home\np1.callsign=DL1AAA\np1.locator=JO62QM\n' "$1" > data/mivra.ini
  printf 'p2.name=Hill\np2.callsign=DR1A\np2.locator=JO60LK\n[contest]\nname=Field Day\n' >> data/mivra.ini
  printf 'start=2026-06-06T14:00\nend=2026-06-07T14:00\nband=144\nstation=%s\n' "$2" >> data/mivra.ini
}
for case in "Home Hill DR1A JO60LK" "Home - DL1AAA JO62QM" "Hill nosuch DR1A JO60LK"; do
  read -r active contest call locator <<<"$case"
  write_ini "$active" "${contest#-}"
  "$program" export-edi profile.edi --band 144 --from 2026-06-06T14:00 --to 2026-06-07T00:00 --data-dir data \
    >out.txt 2>err.txt || fail "export-edi with profiles ($case) failed: $(cat err.txt)"
  grep -q "^PCall=$call"$'\r$' profile.edi && grep -q "^PWWLo=$locator"$'\r$' profile.edi \
    || fail "$case: $(grep -e '^PCall' -e '^PWWLo' profile.edi)"
done
rm data/mivra.ini
"$program" --help | grep -q "PCall is the callsign of" || fail "the help does not say where PCall comes from"

# A digital report has no place in an EDI log: refused by name, no file.
sqlite3 data/backup.sqlite "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode)
  VALUES ('2026-06-06', '20:00', 'OZ1FT', 'JO65AA', '-12', '-08', '144', 'FT8')"
status=0
"$program" export-edi digital.edi --band 144 --from 2026-06-06T14:00 --to 2026-06-07T00:00 --data-dir data \
  >out.txt 2>err.txt || status=$?
[ "$status" -eq 1 ] || fail "a digital report: status $status"
grep -q 'OZ1FT.*"-12"' err.txt || fail "the refusal does not name the contact: $(cat err.txt)"
[ ! -e digital.edi ] || fail "a refused export left a file"
sqlite3 data/backup.sqlite "DELETE FROM logtab WHERE Callsign = 'OZ1FT'"

# The dialog: Shift+Tab from the contest field goes round through Cancel, OK and the station fields
# backwards (SAntH ... RName, fourteen steps).
start
dialog=$(grid_menu_entry "$window" 4 '^EDI contest log')
[ -n "$dialog" ] || fail "no EDI dialog"
sleep 0.5
xdotool type --delay 20 "Field Day"
xdotool key --repeat 14 --delay 50 shift+Tab
xdotool type --delay 20 "Juergen Mueller"
shot edi-station-dialog
xdotool key Return
files=$(wait_window '^Export EDI')
[ -n "$files" ] || fail "no file dialog"
sleep 0.5
xdotool key --window "$files" ctrl+a
xdotool type --delay 20 "$work/dialog.edi"
xdotool key Return
box=$(wait_box)
[ -n "$box" ] || fail "no message after the export"
close_box "$box" || fail "the message stayed"
stop
grep -q $'^RName=Juergen Mueller\r$' dialog.edi || fail "the dialog's name is not in the header: $(grep '^RName' dialog.edi)"
grep -q '^RName=Juergen Mueller$' data/edi-station.txt || fail "edi-station.txt: $(cat data/edi-station.txt)"
[ "$(grep -c '=' data/edi-station.txt)" -eq 15 ] || fail "edi-station.txt holds $(grep -c '=' data/edi-station.txt) keys"
echo "edi station: ok"
