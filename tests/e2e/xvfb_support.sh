# Sourced by the driven e2e scripts: runs the script again inside its own Xvfb, and helpers that drive
# the real windows with xdotool and read message boxes through the X selection.
if [ -z "${MIVRA_UNDER_XVFB:-}" ]; then
  MIVRA_UNDER_XVFB=1 exec bash "$(dirname "$0")/in_xvfb.sh" bash "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb

# Ends the run with a message, keeping the screen as it was in $TMPDIR/mivra-e2e-<script>.png.
fail() {
  local screen="${TMPDIR:-/tmp}/mivra-e2e-$(basename "$0" .sh).png"
  import -window root "$screen" 2>/dev/null || true
  echo "FAIL: $* (screen: $screen)" >&2
  exit 1
}

# The id of the visible window whose title matches, waiting up to 20 s.
# Polled rather than "search --sync": a window that closes while the windows are listed makes one
# search fail, and --sync then gave up at once.
wait_window() {
  local deadline=$((SECONDS + ${2:-20})) id
  while [ "$SECONDS" -lt "$deadline" ]; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
}

# Gives a window the keyboard focus and waits, polling up to 5 s, until it has it.
focus_window() {
  local deadline=$((SECONDS + 5))
  while [ "$SECONDS" -lt "$deadline" ]; do
    xdotool windowfocus "$1" 2>/dev/null || true
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# The id of the visible window of this class, waiting up to 40 s (polled, as wait_window).
wait_class() {
  local deadline=$((SECONDS + ${2:-40})) id
  while [ "$SECONDS" -lt "$deadline" ]; do
    id=$(xdotool search --onlyvisible --class "$1" 2>/dev/null | head -1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
}

# The main window's title: the program's name and the version of this build (from CMake).
main_title="^MivraQ ${MIVRA_VERSION//./\\.}\$"

# A click (press and release back to back) at a point of a window.
click_at() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

source "$(dirname "${BASH_SOURCE[0]}")/control_places.sh"

# A click at the middle of a named control: click_control WINDOW-ID WINDOW NAME (after load_places).
click_control() {
  local at
  at=$(middle "$2" "$3")
  click_at "$1" $at
}

# The message box of the program (title "Mivra"), waiting up to 10 s; empty when none comes.
wait_box() { wait_window '^Mivra$' 10; }

# The text of a message box: a triple click selects it, the X primary selection holds it.
box_text() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --window "$1" $((WIDTH / 2)) 17 click --repeat 3 --delay 80 1
  sleep 0.3
  xclip -o -selection primary 2>/dev/null || true
}

# Presses OK in a message box and waits until it is gone.
close_box() {
  xdotool windowfocus "$1" 2>/dev/null || true
  xdotool key Return
  for _ in $(seq 1 50); do
    xdotool search --onlyvisible --name '^Mivra$' >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# The settings of a station that is set up: own callsign and locator, the 144 MHz band.
write_station_settings() {
  printf '"DL1AAA"\r\n"JO62QM"\r\n1\r\n1\r\n10\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n1\r\n' > "$1"
}

# The whole screen to $MIVRA_E2E_SHOTS/NAME.png when that folder is given.
shot() { [ -n "${MIVRA_E2E_SHOTS:-}" ] && import -window root "$MIVRA_E2E_SHOTS/$1.png" || true; }

# Starts the program on ./data, standard error to stderr.txt; sets pid and window (its main window).
# A program that could not reach the X server is started once more after the server answers again:
# that is the test's display failing, not the program.
start() {
  local attempt deadline before
  for attempt in 1 2; do
    before=$(stat -c %s stderr.txt 2>/dev/null || echo 0)
    "$program" --data-dir "$PWD/data" 2>>stderr.txt &
    pid=$!
    window=
    deadline=$((SECONDS + 40))
    while [ -z "$window" ] && [ "$SECONDS" -lt "$deadline" ] && kill -0 "$pid" 2>/dev/null; do
      window=$(xdotool search --onlyvisible --name '^MivraQ' 2>/dev/null | head -1) || true
      [ -n "$window" ] || sleep 0.1
    done
    [ -n "$window" ] && return 0
    kill -0 "$pid" 2>/dev/null && break
    tail -c +$((before + 1)) stderr.txt | grep -q "could not connect to display" || break
    echo "start $attempt: the program could not reach $DISPLAY; trying again" >&2
    for _ in $(seq 1 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
  done
  fail "no main window (the program $(kill -0 "$pid" 2>/dev/null && echo "still runs" || echo "ended")): $(tail -8 stderr.txt)"
}

# Sends SIGTERM to pid and waits at most 10 s for the end; leaves the exit status in status.
terminate() {
  kill -TERM "$pid"
  timeout 10 tail --pid="$pid" -f /dev/null || fail "the program did not end on SIGTERM"
  status=0
  wait "$pid" || status=$?
  pid=
}

# Ends the program with SIGTERM; it must end with status 0.
stop() {
  terminate
  [ "$status" -eq 0 ] || fail "exit status $status: $(cat stderr.txt)"
}

# Opens the grid's context menu on the first row, picks the entry DOWNS steps down and prints the id
# of the window titled TITLE that it opens: grid_menu_entry WINDOW-ID DOWNS TITLE. On a busy machine
# the menu can come up after the keys were sent, so it tries again; empty when the window never came.
grid_menu_entry() {
  local attempt id
  for attempt in 1 2 3; do
    xdotool mousemove --window "$1" 300 120 click 1
    sleep 0.3
    xdotool mousemove --window "$1" 300 120 click 3
    sleep "$attempt"
    xdotool key --repeat "$2" --delay 100 Down
    xdotool key Return
    id=$(wait_window "$3" 10)
    [ -n "$id" ] && { echo "$id"; return 0; }
    xdotool key Escape
  done
}
