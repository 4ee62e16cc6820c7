#!/usr/bin/env bash
# Sets everything up (packages, build, demo recordings) and starts Nesvara.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
exec build/bin/nesvara "$@"
