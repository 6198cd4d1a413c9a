#!/usr/bin/env bash
# Installs what building and testing NoiseDesk needs on Debian 12 (scripts/packages.txt),
# skipping what is already there.
set -euo pipefail
cd "$(dirname "$0")"

mapfile -t packages < <(grep -vE '^\s*(#|$)' packages.txt)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
