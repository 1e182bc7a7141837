#!/usr/bin/env bash
# --help and --version answer without a display; an unknown option is refused.
set -euo pipefail
program=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

[ "$("$program" --version)" = "Mivra 2.0.8" ] || fail "--version"
"$program" --help | grep -q -- "--data-dir <dir>" || fail "--help does not list --data-dir"
if "$program" --no-such-option 2>/dev/null; then fail "unknown option accepted"; fi
echo "command line: ok"
