#!/usr/bin/env bash
# Builds the Debian package of Nesvara: sets up and builds (as ./run.sh does), then packs what
# `cmake --install` would put in place. Prints the package's path.
#   scripts/build-deb.sh            # uses the build folder "build"
#   NESVARA_BUILD_DIR=other scripts/build-deb.sh
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${NESVARA_BUILD_DIR:-build}
./scripts/setup.sh
rm -rf "$BUILD_DIR/package"
(cd "$BUILD_DIR" && cpack -G DEB -B package >/dev/null)
ls "$BUILD_DIR"/package/nesvara_*.deb
