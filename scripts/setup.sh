# Shared by run.sh and test.sh: Debian packages and the build.

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libqt6sql6-sqlite libsqlite3-dev libgl-dev
                hamradio-files fonts-liberation2 fonts-dejavu-core libhamlib-dev libzstd-dev libpq-dev)
# Libraries the tests and benchmarks build against (the build folder holds them too).
TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev libgeographiclib-dev sqlite3 locales)
# Programs only the test run needs: the X server and driver of the driven runs, the independent file readers,
# and the PostgreSQL server the shared log tests start for themselves.
TEST_TOOL_PACKAGES=(xvfb xauth xdotool xclip imagemagick poppler-utils gdal-bin libxml2-utils libhamlib-utils marble
                    desktop-file-utils appstream time zstd postgresql)

install_packages() {
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# The number-format tests run under a locale whose decimal separator is a comma.
ensure_test_locale() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: de_DE.UTF-8 locale not available"
}

# Builds the given targets (all when none) on every core.
configure_and_build() {
  if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja
  fi
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  cmake --build build --parallel "$(nproc)" "${targets[@]}"
}

# The independent ADIF reader of the exchange tests: the npm package adif-parser-ts, in build/npm.
ADIF_PARSER_TS_VERSION=0.7.7
install_test_oracles() {
  local installed=build/npm/node_modules/adif-parser-ts/package.json
  if [ -f "$installed" ] && grep -q "\"version\": \"$ADIF_PARSER_TS_VERSION\"" "$installed"; then
    return 0
  fi
  # Debian's nodejs and npm, unless a node with its own npm is installed already.
  command -v npm >/dev/null 2>&1 || install_packages nodejs npm
  mkdir -p build/npm
  npm install --prefix build/npm --no-audit --no-fund --no-save "adif-parser-ts@$ADIF_PARSER_TS_VERSION"
}
