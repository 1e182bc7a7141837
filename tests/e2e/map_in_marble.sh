#!/usr/bin/env bash
# The map as a reader shows it: the real program writes earth.kml (GD, then the globe button, the file
# handed to a stub xdg-open), then Marble opens it offline on its plain vector map in a private HOME.
# Against a screenshot of the same view without the file, the worked square must tint the map yellow
# (not black, not untouched) and the line of a Tr contact must be drawn in red. The screenshots stay in
# the folder given as second argument.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
program=$(readlink -f "$1")
shots=$(readlink -f "${2:-${TMPDIR:-/tmp}}")
work=$(mktemp -d)
pid=
marble=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; [ -n "$marble" ] && kill -KILL "$marble" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
command -v marble >/dev/null || fail "marble is not installed"

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

# A worked square near Duesseldorf (no card, no LoTW or eQSL: yellow) reached by Tr, and one whose card went
# out as a single card (D: red) in Sweden with no propagation code.
start
stop
sqlite3 data/backup.sqlite "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, QSL, Band, mode, Prop)
  VALUES ('2026-01-02', '12:00', 'DL9ABC', 'JO31MG', '59', '57', 'N', '144', 'SSB', 'Tr'),
         ('2026-01-03', '13:00', 'SM7ABC', 'JO65AA', '59', '57', 'D', '144', 'SSB', '')"
start
click gridDEC # GD: descriptions, points and the squares' outlines
box=$(wait_box)
[ -n "$box" ] || fail "GD showed no message"
close_box "$box" || fail "the message of GD stayed"
click GoogleEarth # the globe button writes earth.kml
for _ in $(seq 1 50); do [ -s opened.txt ] && break; sleep 0.1; done
[ -s opened.txt ] || fail "the map was not handed to xdg-open"
stop

xmllint --noout earth.kml || fail "xmllint rejects earth.kml"
features=$(ogrinfo -ro -al -so earth.kml | sed -n 's/^Feature Count: //p' | awk '{ s += $1 } END { print s + 0 }')
[ "$features" -eq 5 ] || fail "ogrinfo reads $features features, expected 5"
grep -q '<color>#' earth.kml && fail "a colour with #"
grep -q '<color></color>' earth.kml && fail "an empty colour"
grep -q '<color>ff0000ff</color><width>4</width>' earth.kml || fail "the Tr line is not red"

# Marble, offline and with a fresh configuration, centred on the worked square JO31.
view() {
  local name=$1
  shift
  mkdir -p "home-$name"
  HOME="$work/home-$name" XDG_CONFIG_HOME="$work/home-$name/.config" XDG_DATA_HOME="$work/home-$name/.local/share" \
    XDG_CACHE_HOME="$work/home-$name/.cache" QTWEBENGINE_DISABLE_SANDBOX=1 \
    marble --map earth/plain/plain.dgml --latlon "51.25,7" --distance 1200 "$@" >marble-$name.log 2>&1 &
  marble=$!
  local id
  id=$(wait_class marble 40)
  [ -n "$id" ] || fail "Marble showed no window"
  sleep 3
  xdotool windowsize "$id" 1280 800 windowmove "$id" 0 0
  sleep 8
  import -window root "$shots/marble-$name.png"
  kill -KILL "$marble"
  wait "$marble" 2>/dev/null || true
  marble=
}
view plain
view map "$work/earth.kml"

# Pixel by pixel against the plain view: yellow tint lowers blue and keeps red and green; an opaque
# black block or nothing at all fails; the line leaves pure red pixels.
pixels() { convert "$1" -depth 8 rgb:- | od -An -v -tu1 -w3; }
read -r tinted blackened red < <(paste -d' ' <(pixels "$shots/marble-plain.png") <(pixels "$shots/marble-map.png") | awk '
  $1 != $4 || $2 != $5 || $3 != $6 {
    if ($6 < $3 - 40 && $4 > $1 - 20 && $5 > $2 - 20 && $4 > 150 && $5 > 150) tinted++
    if ($4 < 40 && $5 < 40 && $6 < 40) blackened++
    if ($4 > 200 && $5 < 60 && $6 < 60) red++
  }
  END { print tinted + 0, blackened + 0, red + 0 }')
echo "marble: $tinted pixels tinted yellow, $blackened blackened, $red drawn red"
[ "$tinted" -ge 300 ] || fail "the worked square does not tint the map yellow ($tinted pixels)"
[ "$blackened" -lt "$tinted" ] || fail "the map turned black under the squares ($blackened pixels)"
[ "$red" -ge 40 ] || fail "the Tr line is not drawn ($red red pixels)"
echo "map in marble: ok"
