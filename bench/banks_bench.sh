#!/bin/sh
# Reads all five dose event banks with noisedesk-cli from noisedesk-sim over a
# pseudo-terminal (the real serial code) and prints how long it took and how much of
# that is the bank read's own fixed pauses. Builds nothing.
#
#   bench/banks_bench.sh [build-dir] [runs]
#
# The fixed pauses of one bank: 1 s before it, 0.1 s after each of its 21 cell reads
# (cell 101 and the 20 bank cells), then 0.5 s after a used bank or, for an unused one,
# 0.02 s + 0.02 s after each of its six clearing writes. The command first reads the
# display once (status poll 0.05 s + threshold read 0.1 s + 0.1 s + 0.1 s): that is
# counted as protocol pause as well, shown apart.
set -eu

build=${1:-build}
runs=${2:-3}
cli=$build/bin/noisedesk-cli
sim=$build/bin/noisedesk-sim
for p in "$cli" "$sim"; do [ -x "$p" ] || { echo "no $p; build first" >&2; exit 1; }; done

work=$(mktemp -d)
fifo=$work/in
mkfifo "$fifo"
"$sim" --link "$work/meter" <"$fifo" >"$work/sim.out" 2>/dev/null &
simpid=$!
exec 3>"$fifo" # keeps the simulator's input open until the end
trap 'exec 3>&-; kill $simpid 2>/dev/null; wait $simpid 2>/dev/null; rm -rf "$work"' EXIT
i=0
while [ ! -e "$work/meter" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done

total=0
n=0
while [ $n -lt "$runs" ]; do
    start=$(date +%s.%N)
    "$cli" --port "$work/meter" --json banks >"$work/banks.json" 2>/dev/null
    end=$(date +%s.%N)
    used=$(grep -c '"Used or not": " Used"' "$work/banks.json" || true)
    unused=$(grep -c '"Used or not": " Unused"' "$work/banks.json" || true)
    awk -v s="$start" -v e="$end" -v u="$used" -v f="$unused" -v run=$((n + 1)) 'BEGIN {
        bank = 5 * (1.0 + 21 * 0.1) + u * 0.5 + f * 6 * 0.04
        first = 0.05 + 0.1 + 0.1 + 0.1
        t = e - s
        printf "run %d: %.2f s for five banks (%d used, %d unused); bank pauses %.2f s = %.1f %%, first display read %.2f s = %.1f %%, the rest %.2f s\n",
               run, t, u, f, bank, 100 * bank / t, first, 100 * first / t, t - bank - first
    }'
    total=$(awk -v a="$total" -v s="$start" -v e="$end" 'BEGIN { print a + e - s }')
    n=$((n + 1))
done
awk -v t="$total" -v r="$runs" 'BEGIN { printf "mean: %.2f s per reading of all five banks\n", t / r }'
