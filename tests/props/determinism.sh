#!/usr/bin/env bash
# determinism.sh GEN TICKS SIM [SIM...]: plays one long pseudo-random script
# with every given dravik-sim and requires byte-identical traces. A missing
# build, or no other build at all, is skipped (exit 77) unless
# DRAVIK_REQUIRE_ALL_BUILDS=1.
set -euo pipefail
gen=$1 ticks=$2
shift 2
. "$(dirname "$0")/../lib/compared_builds.sh"
compared_builds DRAVIK_COMPARED_SIMS "$@"
sims=("${builds[@]}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$gen" 7 "$ticks" >"$work/script"
echo "script: $(grep -vc '^#' "$work/script") events over $ticks ticks"
every=1000
n=0
for sim in "${sims[@]}"; do
    n=$((n + 1))
    "$sim" --ticks "$ticks" --every $every --input "$work/script" >"$work/trace.$n"
    lines=$(wc -l <"$work/trace.$n")
    states=$(grep -c '"square"' "$work/trace.$n" || true)
    echo "$(sha256sum <"$work/trace.$n" | cut -c1-16)  $lines lines  $sim"
    if [ "$states" -ne $((ticks / every)) ]; then
        echo "expected $((ticks / every)) state lines from $sim, got $states" >&2
        exit 1
    fi
done
for i in $(seq 2 $n); do
    if ! cmp -s "$work/trace.1" "$work/trace.$i"; then
        echo "traces differ: ${sims[0]} and ${sims[$((i - 1))]}" >&2
        diff <(cat "$work/trace.1") <(cat "$work/trace.$i") | head -5 >&2
        exit 1
    fi
done
# The script must have made something happen, or equal traces prove little.
deaths=$(grep -c '"deaths": "[1-9]' "$work/trace.1" || true)
places=$(grep -o '"square": \[[0-9-]*, [0-9-]*\]' "$work/trace.1" | sort -u | wc -l)
echo "$n builds agree on $ticks ticks: $places distinct player positions and $deaths lines with deaths among $((ticks / every)) state lines"
if [ "$deaths" -eq 0 ] || [ "$places" -lt 20 ]; then
    echo "the script hardly moved the player: nothing worth comparing" >&2
    exit 1
fi
