#!/usr/bin/env bash
# Installs what building NoiseDesk needs on Debian 12, skipping what is already there.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-charts-dev
          qt6-qpa-plugins)
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
