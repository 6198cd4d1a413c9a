#!/bin/sh
# Runs the built noisedesk on its own virtual meter for a while and prints what the
# main window costs: CPU time as a share of one core, display reads per second, and the
# time from start-up to the first reading shown. Builds nothing.
#
#   bench/panel_bench.sh [build-dir] [seconds]
#
# Reads per second come from the program's --trace "poll <PollCount> <ms>" lines
# (printed at most once a second): the count and time of the last line against the
# first. CPU time is utime + stime from /proc/<pid>/stat, sampled just before the stop.
set -eu

build=${1:-build}
seconds=${2:-60}
program=$build/bin/noisedesk
[ -x "$program" ] || { echo "no $program; build first" >&2; exit 1; }

trace=$(mktemp)
trap 'rm -f "$trace"' EXIT

QT_QPA_PLATFORM=offscreen "$program" --simulate --no-port-window --trace >"$trace" 2>/dev/null &
pid=$!
sleep "$seconds"

ticks=$(getconf CLK_TCK)
# Fields 14 and 15 (utime, stime) counted after the ")" that ends the command name.
cpu_ticks=$(sed 's/.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }')
start_ticks=$(sed 's/.*) //' "/proc/$pid/stat" | awk '{ print $20 }')
uptime_ticks=$(awk -v t="$ticks" '{ printf "%d", $1 * t }' /proc/uptime)
kill "$pid"
wait "$pid" 2>/dev/null || true

awk -v cpu="$cpu_ticks" -v hz="$ticks" -v alive="$((uptime_ticks - start_ticks))" '
    $1 == "first-reading" { first = $2 }
    $1 == "started" { started = $2 }
    $1 == "poll" { if (n0 == "") { n0 = $2; t0 = $3 } n1 = $2; t1 = $3 }
    END {
        printf "run time               %.1f s\n", alive / hz
        printf "CPU (share of 1 core)  %.2f %%\n", 100 * cpu / alive
        if (t1 > t0)
            printf "display reads          %.2f /s (%d reads in %.1f s)\n",
                   1000 * (n1 - n0) / (t1 - t0), n1 - n0, (t1 - t0) / 1000
        printf "window shown after     %s ms\n", started
        printf "first reading after    %s ms\n", first
    }' "$trace"
