#!/usr/bin/env bash
# The libraries a program made of the command-line commands loads: QtCore and QtSql, never QtGui or QtWidgets.
set -euo pipefail
program=$1
needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
echo "$needed" | grep -q '^libQt6Core' || { echo "FAIL: no QtCore among: $needed" >&2; exit 1; }
if echo "$needed" | grep -E '^libQt6(Widgets|Gui|PrintSupport)'; then
  echo "FAIL: the command-line commands link a window library" >&2
  exit 1
fi
echo "cli links: $(echo $needed)"
