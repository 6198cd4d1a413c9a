#!/bin/sh
# A full setup (every item changed) and a standards-table load through noisedesk-cli
# against noisedesk-sim on a pseudo-terminal, in real time. Prints how long each took and
# how much of it was the meter's own fixed pauses (key presses 1.5 s while setting up, the
# 5 s after the setup key, the 4 s after RESET, the 0.05 s before each display read): the
# rest is what the transfer adds. Builds nothing.
#
#   bench/setup_bench.sh [build-dir]
set -eu

build=${1:-build}
cli=$build/bin/noisedesk-cli
sim=$build/bin/noisedesk-sim
for p in "$cli" "$sim"; do
    [ -x "$p" ] || { echo "no $p; build first" >&2; exit 1; }
done

dir=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$dir"' EXIT
mkfifo "$dir/in"
"$sim" --link "$dir/meter" <"$dir/in" >"$dir/sim.out" &
exec 3>"$dir/in"
for _ in 1 2 3 4 5 6 7 8 9 10; do [ -e "$dir/meter" ] && break; sleep 0.2; done

# The virtual meter starts at 90 dB, threshold 80, 5 dB, Slow and the PC's clock.
when=$(date -d "now + 1 year + 1 month + 1 day + 1 hour + 1 minute" +"%Y-%m-%d %H:%M")

run() {
    label=$1
    shift
    start=$(date +%s.%N)
    "$cli" --port "$dir/meter" setup "$@" >"$dir/out" 2>"$dir/err" && status=0 || status=$?
    end=$(date +%s.%N)
    line=$(tr '\r' '\n' <"$dir/err" | grep '^setup took' || echo "setup took ? s")
    printf '%-34s exit %d, %s\n' "$label" "$status" "$line"
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%-34s %.2f s from start to exit\n", "", e - s }'
    grep 'did not take' "$dir/out" | sed 's/^/    /' || true
}

run "full setup, every item changed" --criterion 84 --threshold 75 --exchange 3 \
    --weighting fast --clock "$when"
run "standards table: Sweden (85, 3)" --standard Sweden
run "nothing to change (verified only)" --standard Sweden

echo quit >&3
wait
