#!/usr/bin/env bash
# Times quarnel-cli against the LZH and gzip peers of the system on the same
# 16 MiB of x86 code (the seabios blobs, then Qt's shared libraries, cut to
# 16 MiB), whole process, runs alternating:
#   quarnel-cli decompress   against  lhasa p (the same stream as a .lzh member)
#   quarnel-cli compress     against  gzip -9
# and the peak memory of a 16 MiB decompress against its budget of
# 2 x (input + output) + 8 MiB.
#
#   bench/compare-peers.sh [BUILD_DIR] [RUNS]     (default build/release, 5)
#
# BUILD_DIR must hold quarnel-cli and lzh-wrap (built with the tests).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
runs=${2:-5}
cli=$build/src/cli/quarnel-cli
wrap=$build/tests/support/lzh-wrap
for tool in "$cli" "$wrap"; do
  [ -x "$tool" ] || { echo "missing $tool: build it first (cmake --build $build)" >&2; exit 2; }
done
for peer in lhasa gzip /usr/bin/time; do
  command -v "$peer" >/dev/null || { echo "missing $peer: run scripts/deps.sh" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

corpus=$work/corpus.bin
"$(dirname "$0")/make-corpus.sh" "$build" "$corpus"
size=$(stat -c %s "$corpus")

"$cli" compress "$corpus" "$work/corpus.area"
"$wrap" "$work/corpus.area" "$corpus" "$work/corpus.lzh"
lhasa t "$work/corpus.lzh" >/dev/null || { echo "lhasa refuses the wrapped stream" >&2; exit 1; }
"$cli" decompress "$work/corpus.area" "$work/out.bin"
cmp -s "$corpus" "$work/out.bin" || { echo "decompress did not give the corpus back" >&2; exit 1; }
packed=$(stat -c %s "$work/corpus.area")

# "wall cpu" milliseconds of one run of the command (cpu = user + system).
measure() {
  local TIMEFORMAT='%3R %3U %3S' timing
  timing=$({ time "$@" 2>/dev/null; } 2>&1)
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' <<<"$timing"
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }

# Both sides of a pair write their output the same way: decoded bytes to
# /dev/null, compressed ones to a file.
quarnelDecompress() { "$cli" decompress "$work/corpus.area" - >/dev/null; }
lhasaPrint() { lhasa p "$work/corpus.lzh" >/dev/null; }
quarnelCompress() { "$cli" compress "$corpus" - >"$work/again.area"; }
gzipBest() { gzip -9 -c "$corpus" >"$work/corpus.gz"; }

# Runs alternate, so that a load on the machine falls on both sides alike.
declare -A wall=() cpu=()
for ((i = 0; i < runs; i++)); do
  for run in quarnelDecompress lhasaPrint quarnelCompress gzipBest; do
    read -r w c < <(measure "$run")
    wall[$run]+="$w "
    cpu[$run]+="$c "
  done
done

# One line: the two commands' median wall and cpu times and how much faster the first is.
compare() {
  local ours=$1 oursName=$2 peer=$3 peerName=$4
  local ow oc pw pc
  ow=$(median ${wall[$ours]}) oc=$(median ${cpu[$ours]})
  pw=$(median ${wall[$peer]}) pc=$(median ${cpu[$peer]})
  printf '  %-24s %5s ms wall %5s ms cpu   %-10s %5s ms wall %5s ms cpu   %sx faster (wall), %sx (cpu)\n' \
    "$oursName" "$ow" "$oc" "$peerName" "$pw" "$pc" "$(ratio "$pw" "$ow")" "$(ratio "$pc" "$oc")"
}

echo "corpus: $size bytes; compressed area: $packed bytes; gzip -9: $(stat -c %s "$work/corpus.gz") bytes"
echo "medians of $runs runs, whole process:"
compare quarnelDecompress "quarnel-cli decompress" lhasaPrint "lhasa p"
compare quarnelCompress "quarnel-cli compress" gzipBest "gzip -9"

peak=$(/usr/bin/time -v "$cli" decompress "$work/corpus.area" "$work/out.bin" 2>&1 >/dev/null |
  awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
budget=$(((2 * (packed + size) + (8 << 20)) / 1024))
echo "peak memory of decompress: $peak KiB (budget 2 x (input + output) + 8 MiB = $budget KiB)"
