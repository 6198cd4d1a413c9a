#!/bin/sh
# Figures of the level-list windows and statistics on a day of samples (86,400 lines, one
# a second, as the recording writes them):
#   1. the file opened in the Saved File window with its exposure figures: milliseconds;
#   2. its histogram in both resolutions, counted and shown: milliseconds;
#   3. noisedesk-cli stats on it, the whole process: milliseconds (best of 5).
# Builds nothing; benchmark a release build (see README).
#
#   bench/lists_bench.sh [build-dir]
set -eu

build=${1:-build}
bin=$build/bin
for p in noisedesk-cli lists_bench; do
    [ -x "$bin/$p" ] || { echo "no $bin/$p; build first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk 'BEGIN {
    printf "No.s\tDate\tTime\tdBA\r\n"
    for (i = 1; i <= 86400; i++) {
        s = i - 1
        level = 70 + (i * 37 % 500) / 10
        text = (i % 997 == 0) ? "OL" : (i % 991 == 0) ? "----" : sprintf("%.1f", level)
        printf "%d\t2026/12/07\t%02d:%02d:%02d.0\t%s\r\n", i, s / 3600, s / 60 % 60, s % 60, text
    }
}' >"$work/day.dat"

QT_QPA_PLATFORM=offscreen "$bin/lists_bench" "$work/day.dat" 2>/dev/null

# Wall time and processor time (user + system, from the shell's times) of each run.
best=""
bestcpu=""
for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    cpu=$(sh -c '"$0" stats "$1" >/dev/null; times' "$bin/noisedesk-cli" "$work/day.dat" |
          awk 'NR == 2 { split($1, u, "[ms]"); split($2, s, "[ms]")
                         printf "%d", 1000 * (u[1] * 60 + u[2] + s[1] * 60 + s[2]) }')
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; bestcpu=$cpu; fi
done
echo "noisedesk-cli stats         $best ms (processor $bestcpu ms; whole process, best of 5)"
