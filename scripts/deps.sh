#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Dravik need,
# and does nothing when they are all present.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  # the window, its fonts (Arial's metrics) and its tests on a virtual display
  qt6-base-dev fonts-liberation2 libx11-dev xvfb xauth xdotool imagemagick
  # the other compiler, the fuzzers, the static checks and the .deb
  clang-14 libclang-rt-14-dev libfuzzer-14-dev clang-tidy-14 clang-format-14 cppcheck
  dpkg-dev file desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
