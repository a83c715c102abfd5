#!/usr/bin/env bash
# hostile.sh TABLE PROGRAM...: runs every row of TABLE (its format is at its
# top) with the given programs first on PATH and reports each row that ends
# with another status or without its word. Fails if any row does.
set -uo pipefail
table=$1
shift

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin"
for program in "$@"; do
    ln -s "$(realpath "$program")" "$scratch/bin/$(basename "$program")"
done
known="dravik dravik-sim dravik-solve dravik-server"

trim() {
    local text=${1#"${1%%[![:space:]]*}"}
    printf '%s' "${text%"${text##*[![:space:]]}"}"
}

rows=0 failed=0 skipped=0 number=0
while IFS= read -r line || [ -n "$line" ]; do
    number=$((number + 1))
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    IFS='|' read -r status word command <<<"$line"
    status=$(trim "$status") word=$(trim "$word")
    missing=
    for program in $known; do
        if [[ " $command " =~ [[:space:]\;\|\(]${program}[[:space:]] ]] && [ ! -e "$scratch/bin/$program" ]; then
            missing=$program
        fi
    done
    if [ -n "$missing" ]; then
        skipped=$((skipped + 1))
        continue
    fi
    rows=$((rows + 1))
    dir=$(mktemp -d "$scratch/row-XXXXXX")
    (
        cd "$dir" || exit 125
        export PATH="$scratch/bin:$PATH"
        unset DISPLAY WAYLAND_DISPLAY
        exec timeout 60 bash -o pipefail -c "$command" </dev/null >"$scratch/out" 2>"$scratch/err"
    )
    got=$?
    if [ "$status" = 0 ]; then
        haystack=$(cat "$scratch/out" "$scratch/err")
    else
        haystack=$(cat "$scratch/err")
    fi
    if [ "$got" != "$status" ] || [[ $haystack != *"$word"* ]]; then
        failed=$((failed + 1))
        echo "line $number: $command"
        echo "  wanted status $status and \"$word\"; got status $got, standard error:"
        head -c 2000 "$scratch/err" | sed 's/^/    /'
    fi
    rm -rf "$dir"
done <"$table"

echo "$rows rows run, $failed failed, $skipped skipped (program not built)"
[ "$failed" = 0 ] && [ "$rows" -gt 0 ]
