#!/usr/bin/env bash
# Installs the build into a temporary prefix as a packager would, then checks what landed there: the
# desktop entry and the AppStream metadata pass their validators, the installed program answers
# --version and --help (every option, the EDI ones included) and opens its window under Xvfb on a
# fresh data folder, far from the build folder.
set -euo pipefail
source "$(dirname "$0")/xvfb_support.sh"
build=$(readlink -f "$1")
version=$2
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >install.log || fail "cmake --install failed: $(cat install.log)"
for file in bin/mivra share/mivra/gearth.JPEG share/mivra/Sign.bmp share/mivra/ClubSign.bmp \
  share/applications/mivra.desktop share/icons/hicolor/scalable/apps/mivra.svg \
  share/metainfo/io.github.mivra.Mivra.metainfo.xml; do
  [ -s "$prefix/$file" ] || fail "$file was not installed"
done
[ -x "$prefix/bin/mivra" ] || fail "the installed program cannot be run"
desktop-file-validate "$prefix/share/applications/mivra.desktop" || fail "desktop-file-validate rejects mivra.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/io.github.mivra.Mivra.metainfo.xml" \
  || fail "appstreamcli rejects the metainfo"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/io.github.mivra.Mivra.metainfo.xml" \
  || fail "the metainfo does not name version $version"

# The program from the prefix, started from another folder.
program="$prefix/bin/mivra"
mkdir elsewhere
cd elsewhere
"$program" --version | grep -qx "Mivra $version" || fail "--version: $("$program" --version)"
help=$("$program" --help)
for option in --data-dir --help --version export-adif import-adif export-edi --band --from --to --contest \
  --section --operators edi-station.txt; do
  grep -q -e "$option" <<<"$help" || fail "--help does not mention $option"
done
mkdir data
write_station_settings Quovan.txt
start
[ -s data/backup.sqlite ] || fail "the installed program created no log"
stop
echo "install: ok ($(find "$prefix" -type f | wc -l) files in the prefix)"
