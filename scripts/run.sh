#!/usr/bin/env bash
# Builds NoiseDesk and starts it on the virtual meter.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build-run
exec build-run/bin/noisedesk --simulate "$@"
