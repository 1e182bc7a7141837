#!/usr/bin/env bash
# Runs a command inside a private Xvfb. The server picks a free display itself (-displayfd), so driven
# runs started side by side never race for one, as they can with xvfb-run -a. The server's own log
# is shown when the command fails, so a server that went away is told from a program that failed.
set -uo pipefail
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 1 200); do
  [ -s "$dir/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
number=$(head -n 1 "$dir/display" 2>/dev/null)
[ -n "$number" ] || { echo "Xvfb did not start: $(cat "$dir/xvfb.log")" >&2; exit 1; }
export DISPLAY=:$number
# The server answers a client before the command starts.
for _ in $(seq 1 100); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
export MIVRA_XVFB_PID=$xvfb MIVRA_XVFB_LOG=$dir/xvfb.log
"$@"
status=$?
if [ "$status" -ne 0 ]; then
  kill -0 "$xvfb" 2>/dev/null && state="still runs" || state="had ended"
  echo "Xvfb on $DISPLAY $state; its log: $(tail -20 "$dir/xvfb.log")" >&2
fi
exit "$status"
