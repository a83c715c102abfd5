#!/usr/bin/env bash
# deps.sh [play|check|web|test]: installs the Debian packages a command needs, and
# does nothing when they are all present. Each set includes the one before:
#   play   building the game and playing it (make run)
#   check  building every target of the default build (make check)
#   web    the browser build and its tests (make web), beside play
#   test   every build, tool and display the whole suite uses (make test)
# With DEPS=0 in the environment it installs nothing, for a machine that
# already has what the command needs.
set -euo pipefail
[ "${DEPS:-1}" = 0 ] && exit 0

set_name=${1:-test}

play=(
  cmake ninja-build g++ make pkg-config
  # the window and its fonts (Arial's metrics)
  qt6-base-dev fonts-liberation2
)
check=(
  # the tools' command lines and the verifier's JSON
  libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev libx11-dev
  # dravik-server: HTTP (Boost.Beast), the board (SQLite, PostgreSQL), SHA-256
  libboost1.81-dev libsqlite3-dev libpqxx-dev libssl-dev
)
test=(
  # the window's tests on a virtual display
  xvfb xauth xdotool imagemagick
  # the other compiler, the fuzzers and the static checks
  clang-14 libclang-rt-14-dev libfuzzer-14-dev clang-tidy-14 clang-format-14 cppcheck
  # the .deb checked as Debian would: manual pages, lintian, hardening-check,
  # AppStream and desktop entry validators, man -w and fc-match in its test
  dpkg-dev file pandoc lintian devscripts appstream desktop-file-utils man-db fontconfig
  # the server's tests over a throwaway PostgreSQL 15 cluster (pg_virtualenv),
  # and the load generator of its measurements
  postgresql-15 postgresql-common wrk
)

# em++ (it brings node-acorn) and the browser the page's tests drive. Node and
# npm come from Debian only when the machine has none of its own.
web=(emscripten chromium)
command -v node >/dev/null || web+=(nodejs)
command -v npm >/dev/null || web+=(npm)

case $set_name in
  play) packages=("${play[@]}") ;;
  check) packages=("${play[@]}" "${check[@]}") ;;
  web) packages=("${play[@]}" "${check[@]:0:2}" "${web[@]}") ;;
  test) packages=("${play[@]}" "${check[@]}" "${test[@]}" "${web[@]}") ;;
  *)
    echo "usage: deps.sh [play|check|web|test]" >&2
    exit 2
    ;;
esac

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
