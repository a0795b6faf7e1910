#!/usr/bin/env bash
# What Pack costs beyond what it can't avoid: reading and checking the image
# (`quarnel-cli verify`) and writing it durably (`dd ... conv=fsync`), all
# measured in one run on the same image, the three commands taking turns.
# Prints the median wall time of each over RUNS runs and the ratio of Pack
# to the sum of the other two. Target: at most 1.3.
# Usage: bench/dmi/pack-vs-verify.sh [QUARNEL_CLI] [IMAGE] [RUNS]
# IMAGE defaults to the 1 MiB ECS G41T-R3 image of the firmware folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$(realpath "${1:-$here/../../build/release/src/cli/quarnel-cli}")
image=${2:-$here/../../../shared/firmware/ecsg41tr3__100407S.ROM}
runs=${3:-31}
if [ ! -f "$image" ]; then
  echo "no image at $image: nothing to measure" >&2
  exit 77
fi
image=$(realpath "$image")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Wall time of one command, in microseconds.
elapsed_us() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000))
}

median_ms() { sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2) { printf "%.2f", $1 / 1000 }'; }

: >verify.us; : >dd.us; : >pack.us
for ((i = 0; i < runs; i++)); do
  elapsed_us "$cli" verify "$image" >>verify.us
  elapsed_us dd if="$image" of=copy.rom bs=1M conv=fsync >>dd.us
  elapsed_us "$cli" pack "$image" -o new.rom --type1 4=BENCH-0001 --uuid 00112233445566778899AABBCCDDEEFF >>pack.us
done
verify=$(median_ms <verify.us)
dd=$(median_ms <dd.us)
pack=$(median_ms <pack.us)
printf 'image: %s (%d bytes), medians of %d runs\n' "$(basename "$image")" "$(stat -c %s "$image")" "$runs"
printf '  quarnel-cli verify        %8s ms\n' "$verify"
printf '  dd conv=fsync             %8s ms\n' "$dd"
printf '  quarnel-cli pack          %8s ms\n' "$pack"
awk -v p="$pack" -v v="$verify" -v d="$dd" 'BEGIN { printf "  pack / (verify + dd)      %8.2f (target at most 1.3)\n", p / (v + d) }'
