#!/usr/bin/env bash
# The dependency check passes on our package list and fails, naming the package, on a
# list with one package CMake needs left out.
set -uo pipefail
check=$1 build=$2 list=$3
short=$(mktemp)
trap 'rm -f "$short"' EXIT

bash "$check" "$build" "$list" || { echo "FAIL: the check refused the real list"; exit 1; }

for left_out in libqt6opengl6-dev qt6-serialport-dev; do
    grep -vx "$left_out" "$list" >"$short"
    if output=$(bash "$check" "$build" "$short"); then
        echo "FAIL: the check passed a list without $left_out"; exit 1
    fi
    grep -q "'$left_out'" <<<"$output" || { echo "FAIL: no mention of $left_out in: $output"; exit 1; }
done
echo "1 passed, 0 failed"
