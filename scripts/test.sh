#!/usr/bin/env bash
# Builds NoiseDesk with warnings as errors and runs every test, then builds again under
# AddressSanitizer (with leak checks) and UndefinedBehaviorSanitizer and runs every test
# once more, then runs each fuzz target briefly.
# --quick skips the sanitizer pass and the fuzzing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

run_pass() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOISEDESK_WERROR=ON \
        "${launcher[@]}" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== build and test"
run_pass build-test
echo "== every package CMake found is one scripts/deps.sh installs"
bash scripts/check-deps.sh build-test
if [ "${1:-}" != "--quick" ]; then
    echo "== build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_pass build-asan -DNOISEDESK_SANITIZE=ON
    echo "== fuzz each file reader briefly"
    bash scripts/fuzz.sh 10
fi
