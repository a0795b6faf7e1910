#!/usr/bin/env bash
# Writes the 16 MiB benchmark corpus to OUT as bench/lzh/corpus.h builds it:
# the regular files of the seabios folder the build was configured with
# (QUARNEL_SEABIOS_DIR), then Qt's libraries, each group sorted by name,
# cut to 16 MiB. The libraries' symbolic links would repeat them.
# Usage: make-corpus.sh BUILD_DIR OUT
set -euo pipefail
build=$1
out=$2
seabios=$(sed -n 's/^QUARNEL_SEABIOS_DIR:PATH=//p' "$build/CMakeCache.txt")
[ -d "$seabios" ] || { echo "no seabios folder ($seabios): run scripts/deps.sh" >&2; exit 2; }
mapfile -t files < <(
  find "$seabios" -maxdepth 1 -type f | LC_ALL=C sort
  find /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -name 'libQt6*.so*' | LC_ALL=C sort
)
cat "${files[@]}" >"$out"
truncate -s $((16 << 20)) "$out"
