#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing; says nothing when none is.
#   scripts/install-packages.sh PACKAGE...
set -euo pipefail

missing=()
for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
((${#missing[@]})) || exit 0

echo "Installing: ${missing[*]}" >&2
SUDO=()
if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
