#!/bin/sh
# Figures of the stored-data code, against noisedesk-sim on a pseudo-terminal:
#   1. a full memory download (about 31 KB): seconds, and against the wire time of the
#      bytes received at 9600 baud (10 bits a byte);
#   2. an 86,400-line recording read into the level-list model and shown: milliseconds;
#   3. noisedesk-cli recording at 0.2 s intervals: processor time as a share of one core.
# Builds nothing; benchmark a release build (see README).
#
#   bench/stored_bench.sh [build-dir] [record-seconds]
set -eu

build=${1:-build}
seconds=${2:-30}
bin=$build/bin
for p in noisedesk-sim noisedesk-cli stored_bench; do
    [ -x "$bin/$p" ] || { echo "no $bin/$p; build first" >&2; exit 1; }
done

work=$(mktemp -d)
mkfifo "$work/in"
sleep 100000 >"$work/in" &
holder=$!
"$bin/noisedesk-sim" --link "$work/meter" --level 88.0 <"$work/in" >"$work/sim.out" 2>&1 &
sim=$!
trap 'kill $holder $sim 2>/dev/null; rm -rf "$work"' EXIT
exec 3>"$work/in"
while [ ! -e "$work/meter" ]; do sleep 0.1; done
echo "sets full" >&3
sleep 0.5

# 1. The download.
start=$(date +%s.%N)
"$bin/noisedesk-cli" --port "$work/meter" download "$work/sets" >"$work/download.out" 2>/dev/null
end=$(date +%s.%N)
awk -v total="$(echo "$end - $start" | bc)" '
    $1 == "dump:" { bytes = $2; secs = $5 }
    END {
        wire = bytes * 10 / 9600
        printf "download (whole verb)  %.2f s\n", total
        printf "dump                   %d bytes in %.2f s; wire time %.2f s; ratio %.3f\n",
               bytes, secs, wire, secs / wire
    }' "$work/download.out"

# 2. The level-list model.
QT_QPA_PLATFORM=offscreen "$bin/stored_bench" 2>/dev/null | sed -n '1p;4p'

# 3. Recording at 0.2 s.
"$bin/noisedesk-cli" --port "$work/meter" record "$work/rec.dat" --interval 0.2 >"$work/rec.out" &
rec=$!
sleep "$seconds"
ticks=$(getconf CLK_TCK)
cpu=$(sed 's/.*) //' "/proc/$rec/stat" | awk '{ print $12 + $13 }')
started=$(sed 's/.*) //' "/proc/$rec/stat" | awk '{ print $20 }')
now=$(awk -v t="$ticks" '{ printf "%d", $1 * t }' /proc/uptime)
kill -INT "$rec"
wait "$rec" || true
awk -v cpu="$cpu" -v alive="$((now - started))" -v hz="$ticks" '
    END { printf "recording at 0.2 s     %.2f %% of one core over %.1f s\n", 100 * cpu / alive, alive / hz }' /dev/null
sed 's/^/                       /' "$work/rec.out"
