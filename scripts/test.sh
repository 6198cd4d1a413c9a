#!/usr/bin/env bash
# Builds NoiseDesk with warnings as errors and runs every test, then builds again under
# AddressSanitizer (with leak checks) and UndefinedBehaviorSanitizer and runs every test
# once more.
# --quick skips the sanitizer pass.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

run_pass() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOISEDESK_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== build and test"
run_pass build-test
if [ "${1:-}" != "--quick" ]; then
    echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_pass build-asan -DNOISEDESK_SANITIZE=ON
fi
