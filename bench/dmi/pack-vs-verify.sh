#!/usr/bin/env bash
# What Pack costs beyond what it can't avoid: reading and checking the image
# (`quarnel-cli verify`) and writing it durably (`dd ... conv=fsync`), all
# measured in one run on the same image. Each command runs as a whole
# process with no shell in between (hyperfine -N), so no fork of a shell
# adds the same cost to each side. The three commands take turns in ROUNDS
# rounds of 7 runs each (after 2 warm-up runs), so a burst of load on the
# shared host falls on all of them; every run's wall time goes into the
# median. Prints the median of each over all runs and the ratio of Pack to
# the sum of the other two. Target: at most 1.3.
# Usage: bench/dmi/pack-vs-verify.sh [QUARNEL_CLI] [IMAGE] [ROUNDS]
# IMAGE defaults to the 1 MiB ECS G41T-R3 image of the firmware folder;
# ROUNDS to 5 (35 runs of each command).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$(realpath "${1:-$here/../../build/release/src/cli/quarnel-cli}")
image=${2:-$here/../../../shared/firmware/ecsg41tr3__100407S.ROM}
rounds=${3:-5}
runs_per_round=7
if ! command -v hyperfine >/dev/null; then
  echo "hyperfine is not installed (apt-get install hyperfine): nothing measured" >&2
  exit 77
fi
if [ ! -f "$image" ]; then
  echo "no image at $image: nothing to measure" >&2
  exit 77
fi
image=$(realpath "$image")
case "$image$cli" in
  *[[:space:]]*) echo "hyperfine -N splits commands at spaces: use paths without them" >&2; exit 2 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The edit keeps the serial number's length (the ECS image's is
# "00000000"), so the module is encoded and placed anew in every build.
pack_command="$cli pack $image -o new.rom --type1 4=BENCH-01 --uuid 00112233445566778899AABBCCDDEEFF"
"$cli" verify "$image" >/dev/null
$pack_command >/dev/null

for ((round = 0; round < rounds; round++)); do
  hyperfine -N --style none --warmup 2 --runs "$runs_per_round" --export-json "round$round.json" \
    "$cli verify $image" \
    "dd if=$image of=copy.rom bs=1M conv=fsync" \
    "$pack_command" >/dev/null 2>hyperfine.err || { cat hyperfine.err >&2; exit 1; }
done

# Every run's time, in ms, under the index of its command: hyperfine lists
# each command's times one a line inside its "times" array.
awk '
  /"times": \[/ { inside = 1; next }
  inside && /\]/ { inside = 0; command = (command + 1) % 3; next }
  inside { gsub(/[ ,]/, ""); printf "%d %.4f\n", command, $0 * 1000 }
' round*.json >times.txt

median_ms() { awk -v c="$1" '$1 == c { print $2 }' times.txt | sort -n | awk '{ t[NR] = $1 } END { printf "%.2f", NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'; }
verify=$(median_ms 0)
dd=$(median_ms 1)
pack=$(median_ms 2)
printf 'image: %s (%d bytes), medians of %d runs each\n' "$(basename "$image")" "$(stat -c %s "$image")" \
  "$((rounds * runs_per_round))"
printf '  quarnel-cli verify        %8s ms\n' "$verify"
printf '  dd conv=fsync             %8s ms\n' "$dd"
printf '  quarnel-cli pack          %8s ms\n' "$pack"
awk -v p="$pack" -v v="$verify" -v d="$dd" 'BEGIN { printf "  pack / (verify + dd)      %8.2f (target at most 1.3)\n", p / (v + d) }'
