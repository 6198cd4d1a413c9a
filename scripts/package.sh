#!/usr/bin/env bash
# Builds a release and the Debian package noisedesk_<version>_amd64.deb in build-package/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-package
(cd build-package && cpack -G DEB)
ls build-package/*.deb
