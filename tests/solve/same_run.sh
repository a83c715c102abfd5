#!/usr/bin/env bash
# same_run.sh SOLVE [SOLVE...]: runs `dravik-solve --tours 1` of every given
# build and requires byte-identical scripts. A missing build, or no other
# build at all, is skipped (exit 77) unless DRAVIK_REQUIRE_ALL_BUILDS=1.
set -euo pipefail
. "$(dirname "$0")/../lib/compared_builds.sh"
compared_builds DRAVIK_COMPARED_SOLVERS "$@"
solvers=("${builds[@]}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
n=0
for solve in "${solvers[@]}"; do
    n=$((n + 1))
    "$solve" --tours 1 --out "$work/run.$n" 2>"$work/err.$n"
    echo "$(sha256sum <"$work/run.$n" | cut -c1-16)  $(sed -n 2p "$work/run.$n")  $solve"
done
if ! grep -q '^# win at tick [0-9]* with 0 deaths' "$work/run.1"; then
    echo "no winning run to compare" >&2
    exit 1
fi
for i in $(seq 2 $n); do
    if ! cmp -s "$work/run.1" "$work/run.$i"; then
        echo "runs differ: ${solvers[0]} and ${solvers[$((i - 1))]}" >&2
        diff "$work/run.1" "$work/run.$i" | head -5 >&2
        exit 1
    fi
done
echo "$n builds find the same run"
