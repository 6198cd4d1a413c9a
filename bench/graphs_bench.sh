#!/bin/sh
# Figures of the real-time windows (see bench/graphs_bench.cpp): the Plot window on a
# day of samples (open, pan and zoom frames), the Real Time Graph's processor time over
# ten minutes of ticks and its cost per tick as the run grows, and resident memory with
# the windows open. Builds nothing; benchmark a release build (see README).
#
#   bench/graphs_bench.sh [build-dir] [platform]     platform: offscreen (default) or xcb
set -eu

build=${1:-build}
platform=${2:-offscreen}
program=$build/bin/graphs_bench
[ -x "$program" ] || { echo "no $program; build first" >&2; exit 1; }
QT_QPA_PLATFORM=$platform "$program" 2>/dev/null
