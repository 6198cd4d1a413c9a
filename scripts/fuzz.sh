#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each on a copy of its seed corpus for a while.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]     (default 10; CI runs them briefly)
# For a longer hunt: scripts/fuzz.sh 3600, or run build-fuzz/bin/fuzz_NAME on your own
# corpus folder; a crash leaves crash-* files in the working folder to replay.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DNOISEDESK_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz --target nd_fuzzers

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count=0
for fuzzer in build-fuzz/bin/fuzz_*; do
    name=${fuzzer##*/fuzz_}
    mkdir -p "$work/$name"
    cp -r "fuzz/corpus/$name/." "$work/$name/" 2>/dev/null || true
    echo "== fuzz $name for ${seconds}s"
    (cd "$work" && "$OLDPWD/$fuzzer" -max_total_time="$seconds" -print_final_stats=0 \
        "$name" 2>&1 | grep -E 'DONE|ERROR|SUMMARY' || true)
    (cd "$work" && "$OLDPWD/$fuzzer" -runs=0 "$name" >/dev/null 2>&1) # corpus replays clean
    ls "$work"/crash-* >/dev/null 2>&1 && { echo "fuzz $name found a crash"; exit 1; }
    count=$((count + 1))
done
echo "fuzzed $count targets"
