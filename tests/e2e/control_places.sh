# Sourced by the driven e2e scripts: where the program places a named control, read from the helper
# that builds the windows from their layout tables (mivra_control_places, beside the tests), so no
# script restates a position. load_places runs the helper once, on the window system the script drives
# (grid rows and menu entries take the height of its fonts), before the program starts; the program's
# path is $1.
load_places() {
  local helper=${MIVRA_CONTROL_PLACES:-$(dirname "$(readlink -f "$1")")/../../tests/e2e/mivra_control_places}
  places=$(QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$helper" 2>/dev/null) || fail "no control places from $helper"
}

# "LEFT TOP WIDTH HEIGHT" of control NAME in pixels of WINDOW (main or qsl): place WINDOW NAME.
place() {
  awk -v w="$1" -v n="$2" '$1 == w && $2 == n { print $3, $4, $5, $6; found = 1 } END { exit !found }' \
    <<<"$places" || fail "no control $2 in the $1 window"
}

# "X Y", the middle of a control: middle WINDOW NAME.
middle() {
  local r
  r=($(place "$1" "$2"))
  echo "$((r[0] + r[2] / 2)) $((r[1] + r[3] / 2))"
}
