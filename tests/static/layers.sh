#!/usr/bin/env bash
# layers.sh SOURCE_DIR DRAVIK WORK_DIR: the layers run one way and the game
# carries nothing of the tools.
#   - each directory of src/ includes only its own layer and those below:
#     sys <- level <- game, control <- run <- ui; nothing under src/ includes
#     the tools or the page's glue
#   - the game's binary holds no JSON, command-line or verifier code
#   - the game alone (make run's preset) configures without the tools'
#     libraries
set -euo pipefail
src=$1 dravik=$2 work=$3
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# below DIR ALLOWED...: DIR's files include no project header outside ALLOWED.
below() {
  local dir=$1
  shift
  local allowed
  allowed=$(printf '%s|' "$@")
  local bad
  bad=$(grep -rnE '^#include "' "$src/src/$dir" | grep -vE "#include \"(${allowed%|})/" || true)
  [ -z "$bad" ] || fail "src/$dir reaches above its layer:"$'\n'"$bad"
}
below sys sys
below level sys level
below game sys level game
below control sys level game
below run sys level game control run
below ui sys level game control run ui
echo "layers: sys <- level <- game, control <- run <- ui"

found=$(nm -C "$dravik" | grep -E 'nlohmann|CLI::|StateDifferences|Outcome' | head -n 3 || true)
[ -z "$found" ] || fail "the game carries code of the tools:"$'\n'"$found"
echo "dravik: no JSON, command-line or verifier code"

rm -rf "$work"
cmake --preset play -S "$src" -B "$work" -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON >"$work.log" 2>&1 ||
  fail "the game alone does not configure without CLI11 and nlohmann-json: $(tail -n 5 "$work.log")"
rm -rf "$work" "$work.log"
echo "play preset: configures without CLI11 and nlohmann-json"
