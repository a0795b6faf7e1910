#!/usr/bin/env bash
# Whole-process timings of Extract and Pack through the command line on the
# sample image: `quarnel-cli dmi` (load, decode every module, read the DMI
# module) and `quarnel-cli pack` (reload, write back, encode every module
# again, check each encoding, write). Prints the median of each.
# Targets: dmi at most 20 ms, pack at most 60 ms.
# Usage: bench/dmi/cli-timings.sh [QUARNEL_CLI] [RUNS]
set -euo pipefail
cli=${1:-$(dirname "$0")/../../build/release/src/cli/quarnel-cli}
cli=$(realpath "$cli")
runs=${2:-51}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$cli" sample bios.rom

# Median of `runs` wall-clock times of the command, in milliseconds.
median_ms() {
  local times=() start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2) { printf "%.2f", $1 / 1000 }'
}

extract=$(median_ms "$cli" dmi bios.rom)
pack=$(median_ms "$cli" pack bios.rom --type1 1=Bench --type3 3=SN-1 --uuid 00112233445566778899AABBCCDDEEFF)
printf 'quarnel-cli dmi  (Extract): median %s ms over %d runs (target 20 ms)\n' "$extract" "$runs"
printf 'quarnel-cli pack (Pack):    median %s ms over %d runs (target 60 ms)\n' "$pack" "$runs"
