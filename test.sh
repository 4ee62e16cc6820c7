#!/usr/bin/env bash
# Sets everything up and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
ctest --test-dir "${NESVARA_BUILD_DIR:-build}" --output-on-failure -j"$(nproc)" "$@"
