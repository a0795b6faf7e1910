#!/usr/bin/env bash
# The encoder's speed against Debian's jlha, side by side in one run, whole
# process, on the 16 MiB x86 corpus (the seabios blobs, then Qt's shared
# libraries, cut to 16 MiB), with the thread count of every figure; then
# the rebuild of the 1 MiB benchmark image on 1 thread and on all. Runs
# alternate, so that a load on the machine falls on every side alike; each
# line gives the median wall time and the peak memory (/usr/bin/time -v).
#
#   bench/encode-speed.sh [BUILD_DIR] [RUNS]     (default build/release, 5)
#
# Prints a markdown table (bench/encode-speed.md holds the last one kept).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
runs=${2:-5}
cli=$(realpath -m "$build/src/cli/quarnel-cli")
maker=$build/bench/image/make_bench_image
for tool in "$cli" "$maker"; do
  [ -x "$tool" ] || { echo "missing $tool: build it first (cmake --build $build)" >&2; exit 2; }
done
for peer in jlha /usr/bin/time; do
  command -v "$peer" >/dev/null || { echo "missing $peer: run scripts/deps.sh" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus=$work/corpus.bin
"$(dirname "$0")/make-corpus.sh" "$build" "$corpus"
size=$(stat -c %s "$corpus")
"$maker" "$work/bios.rom" >/dev/null
all=$(nproc)

# Every output must be the single-thread one.
"$cli" compress --threads 1 "$corpus" "$work/one.area"
"$cli" compress "$corpus" "$work/all.area"
cmp -s "$work/one.area" "$work/all.area" || { echo "compress differs between 1 and $all threads" >&2; exit 1; }
"$cli" rebuild --threads 1 "$work/bios.rom" -o "$work/one.rom" >/dev/null
"$cli" rebuild "$work/bios.rom" -o "$work/all.rom" >/dev/null
cmp -s "$work/one.rom" "$work/all.rom" || { echo "rebuild differs between 1 and $all threads" >&2; exit 1; }

declare -A command=(
  [compressOne]="exec '$cli' compress --threads 1 '$corpus' - >'$work/out.area'"
  [compressAll]="exec '$cli' compress '$corpus' - >'$work/out.area'"
  [jlhaAdd]="rm -f j.lzh; exec jlha co5q j.lzh corpus.bin >/dev/null"
  [rebuildOne]="exec '$cli' rebuild --threads 1 '$work/bios.rom' -o '$work/new.rom' >/dev/null"
  [rebuildAll]="exec '$cli' rebuild '$work/bios.rom' -o '$work/new.rom' >/dev/null"
)

# "wall_ms peak_kib" of one run; the peak is that of the command itself.
measure() {
  local start end
  start=$(date +%s%N)
  (cd "$work" && /usr/bin/time -f '%M' -o "$work/time" bash -c "${command[$1]}")
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(cat "$work/time")"
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

commands=(compressOne compressAll jlhaAdd rebuildOne rebuildAll)
declare -A wall=() peak=()
for ((i = 0; i < runs; i++)); do
  for run in "${commands[@]}"; do
    read -r w m < <(measure "$run")
    wall[$run]+="$w "
    peak[$run]=$m
  done
done
for run in "${commands[@]}"; do wall[$run]=$(median ${wall[$run]}); done  # microseconds
mbs() { awk -v us="$1" -v n="$size" 'BEGIN { printf "%.1f", n / us }'; }
ms() { awk -v us="$1" 'BEGIN { printf "%.1f", us / 1000 }'; }
vs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, medians of $runs runs, whole process;"
echo "corpus $size bytes; area $(stat -c %s "$work/one.area") bytes; jlha -lh5- archive $(stat -c %s "$work/j.lzh") bytes"
echo
echo "| Command | Threads | Wall (ms) | MB/s | Against jlha | Peak memory (MiB) |"
echo "|---|---|---|---|---|---|"
row() {
  local run=$1 name=$2 threads=$3 rate=$4 ratio=$5
  echo "| $name | $threads | $(ms "${wall[$run]}") | $rate | $ratio | $(mib "${peak[$run]}") |"
}
row compressOne "quarnel-cli compress, 16 MiB" 1 "$(mbs "${wall[compressOne]}")" "$(vs "${wall[jlhaAdd]}" "${wall[compressOne]}")x"
row compressAll "quarnel-cli compress, 16 MiB" "$all (all)" "$(mbs "${wall[compressAll]}")" "$(vs "${wall[jlhaAdd]}" "${wall[compressAll]}")x"
row jlhaAdd "jlha co5 (-lh5-), 16 MiB" "JVM" "$(mbs "${wall[jlhaAdd]}")" "1.00x"
row rebuildOne "quarnel-cli rebuild, 1 MiB image" 1 "—" "—"
row rebuildAll "quarnel-cli rebuild, 1 MiB image" "$all (all)" "—" "—"
