#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# when any of them is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  qt6-base-dev libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  lhasa jlha-utils time seabios dmidecode xvfb xauth
  help2man desktop-file-utils appstream-util dpkg-dev file
  g++-mingw-w64-x86-64-posix wine wine64 zip xdotool x11-utils bc imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
