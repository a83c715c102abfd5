#!/usr/bin/env bash
# check.sh format|tidy|cppcheck SOURCE_DIR BUILD_DIR: the static checks,
# each of which must find nothing.
#   format    clang-format --dry-run -Werror over every C++ file in git
#   tidy      clang-tidy (the checks in .clang-tidy) over the game, the tools
#             and the fuzzers, with this build's compile commands
#   cppcheck  warnings, performance and portability over the same sources
set -euo pipefail
mode=$1 src=$2 build=$3
cd "$src"
files() { git ls-files "$@"; }
jobs=$(nproc)
case $mode in
format)
    mapfile -t all < <(files 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' \
        'fuzz/*.cpp' 'fuzz/*.h' 'bench/*.cpp' 'bench/*.h')
    clang-format-14 --dry-run -Werror "${all[@]}"
    echo "clang-format: ${#all[@]} files formatted"
    ;;
tidy)
    mapfile -t all < <(files 'src/*.cpp' 'tools/*.cpp' 'fuzz/*.cpp' 'tests/props/*.cpp' 'tests/support/*.cpp')
    # Only files this build compiles have compile commands (the window's
    # need Qt, the fuzzers' main the fuzz preset).
    listed=()
    for f in "${all[@]}"; do
        if grep -q "\"file\": \"$src/$f\"" "$build/compile_commands.json"; then
            listed+=("$src/$f")
        fi
    done
    regex="^($(printf '%s|' "${listed[@]}" | sed 's/|$//; s/[.+]/\\&/g'))\$"
    run-clang-tidy-14 -p "$build" -j "$jobs" -quiet -extra-arg=-Wno-unknown-warning-option "$regex" \
        >"$build/clang-tidy.log" 2>&1 || {
        grep -E "(warning|error):" "$build/clang-tidy.log" | sort -u >&2
        exit 1
    }
    echo "clang-tidy: ${#listed[@]} files, no findings"
    ;;
cppcheck)
    mapfile -t dirs < <(printf '%s\n' src tools fuzz tests/props tests/support)
    cppcheck --quiet --std=c++20 --language=c++ --library=googletest \
        --enable=warning,performance,portability --error-exitcode=1 --inline-suppr \
        -j "$jobs" -I src -I tools -I tests "${dirs[@]}"
    echo "cppcheck: ${dirs[*]} clean"
    ;;
*)
    echo "usage: check.sh format|tidy|cppcheck SOURCE_DIR BUILD_DIR" >&2
    exit 2
    ;;
esac
