#!/usr/bin/env bash
# Times the whole quarnel-cli process rebuilding the 1 MiB benchmark image:
# the median wall time of 21 runs (target: at most 60 ms) and the peak
# resident memory of one run (target: at most 16 MiB).
#   bench/image/measure_cli_rebuild.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
build=${1:-build/release}
cli=$build/src/cli/quarnel-cli
maker=$build/bench/image/make_bench_image
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$maker" "$work/bios.rom"
runs=21
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$cli" rebuild "$work/bios.rom" -o "$work/new.rom" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
done | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2) { printf "median wall time: %.1f ms\n", $1 / 1000 }'

/usr/bin/time -v "$cli" rebuild "$work/bios.rom" -o "$work/new.rom" 2>&1 >/dev/null |
    awk -F': ' '/Maximum resident set size/ { printf "peak memory: %.1f MiB\n", $2 / 1024 }'
