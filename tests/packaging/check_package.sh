#!/usr/bin/env bash
# Builds the Debian package from this build and checks what it holds and needs.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >/dev/null
deb=$(ls "$out"/*.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for wanted in ./usr/bin/noisedesk ./usr/bin/noisedesk-cli ./usr/bin/noisedesk-sim \
              ./usr/share/applications/noisedesk.desktop \
              ./usr/share/icons/hicolor/scalable/apps/noisedesk.svg \
              ./usr/share/icons/hicolor/48x48/apps/noisedesk.png \
              ./usr/share/man/man1/noisedesk-cli.1; do
    grep -qx "$wanted" <<<"$files" || { echo "FAIL: $wanted is not in the package"; exit 1; }
done
if ls "$(dirname "$0")/../../docs/guide/"*.md >/dev/null 2>&1; then
    grep -q '^./usr/share/noisedesk/help/.*\.pdf$' <<<"$files" ||
        { echo "FAIL: no help PDF in the package"; exit 1; }
fi
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 qt6-qpa-plugins libqt6sql6-sqlite; do
    grep -q "$lib" <<<"$depends" || { echo "FAIL: Depends lacks $lib: $depends"; exit 1; }
done
# grep reads all of it: with -q it may stop early and fail the pipe (pipefail) at random.
description=$(dpkg-deb -f "$deb" Description)
grep -q dialout <<<"$description" || { echo "FAIL: no word of dialout"; exit 1; }
echo "1 passed, 0 failed"
