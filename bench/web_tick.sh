#!/usr/bin/env bash
# web_tick.sh [NATIVE_SIM] [WEB_SIM] [TICKS]: the tick of the WebAssembly
# dravik-sim under node against the native one, in one run: each plays TICKS
# ticks standing still and none, three times in turn; the CPU time of the
# difference over TICKS is the time of a tick (start-up left out).
set -euo pipefail
native=${1:-build/dravik-sim} web=${2:-build-web/dravik-sim.js} ticks=${3:-1000000}
cpu() { /usr/bin/time -f %U "$@" >/dev/null 2>"$tmp" && tail -n 1 "$tmp"; }
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
best_native=999 best_web=999
for round in 1 2 3; do
    n=$(echo "($(cpu "$native" --ticks "$ticks") - $(cpu "$native" --ticks 0)) * 1000000 / $ticks" | bc -l)
    w=$(echo "($(cpu node "$web" --ticks "$ticks") - $(cpu node "$web" --ticks 0)) * 1000000 / $ticks" | bc -l)
    printf 'round %d: native %.2f µs a tick, node (WebAssembly) %.2f µs a tick\n' "$round" "$n" "$w"
    best_native=$(echo "if ($n < $best_native) $n else $best_native" | bc -l)
    best_web=$(echo "if ($w < $best_web) $w else $best_web" | bc -l)
done
printf 'best of 3: native %.2f µs, node %.2f µs: %.1f times the native tick\n' "$best_native" "$best_web" \
    "$(echo "$best_web / $best_native" | bc -l)"
