#!/usr/bin/env bash
# Makes the user guide's screenshots from the real windows, offscreen on the in-process
# virtual meter, into docs/guide/screenshots/ (the help PDFs and the README use them).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build-run --target noisedesk-screenshots
QT_QPA_PLATFORM=offscreen build-run/bin/noisedesk-screenshots docs/guide/screenshots
echo "screenshots in docs/guide/screenshots"
