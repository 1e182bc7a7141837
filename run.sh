#!/usr/bin/env bash
# Installs what is missing, builds the program alone (not the tests) on every core, and starts Mivra
# on the log in run/ (created on the first start).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
configure_and_build mivra
mkdir -p run
cd run
exec ../build/src/app/mivra --data-dir . "$@"
