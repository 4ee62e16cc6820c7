#!/usr/bin/env bash
# Installs the missing Debian packages, then configures and builds the project.
# Quiet and quick when everything is already in place.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${NESVARA_BUILD_DIR:-build}
PACKAGES=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
    libsdl2-dev libmpg123-dev
    libqt6sql6-sqlite
    espeak-ng lame sox libsox-fmt-mp3 ffmpeg
    xvfb xauth
    dbus-daemon desktop-file-utils appstream dpkg-dev file imagemagick xdotool
    ffmpeg time
)

scripts/install-packages.sh "${PACKAGES[@]}"

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${NESVARA_CMAKE_ARGS:-} >/dev/null
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cmake --build "$BUILD_DIR" -j"$(nproc)" >"$log" 2>&1; then
    cat "$log"
    exit 1
fi
grep -E 'warning:' "$log" || true
