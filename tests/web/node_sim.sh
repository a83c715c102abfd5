#!/usr/bin/env bash
# node_sim.sh WEB_SIM NATIVE_SIM GEN DATA: the WebAssembly dravik-sim under node
# prints byte for byte what the native one prints, on the long determinism
# script and on the stored winning run, and refuses a bad script the same way;
# and the overlap test built beside it agrees with the exact one.
set -euo pipefail
web=$1 native=$2 gen=$3 data=$4
if [ ! -f "$web" ] && [ "${DRAVIK_REQUIRE_ALL_BUILDS:-0}" != 1 ]; then
    echo "skipping: $web is not built (make web builds it)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$gen" 7 200000 >"$work/long"
same() {
    local name=$1
    shift
    local status_web=0 status_native=0
    node "$web" "$@" >"$work/web.out" 2>"$work/web.err" || status_web=$?
    "$native" "$@" >"$work/native.out" 2>"$work/native.err" || status_native=$?
    if ! cmp -s "$work/web.out" "$work/native.out" || ! cmp -s "$work/web.err" "$work/native.err" ||
        [ "$status_web" != "$status_native" ]; then
        echo "$name: node gives exit $status_web, native $status_native" >&2
        diff "$work/native.out" "$work/web.out" | head -5 >&2
        diff "$work/native.err" "$work/web.err" | head -5 >&2
        exit 1
    fi
    echo "$name: the same $(wc -c <"$work/web.out") bytes, exit $status_web"
    last_status=$status_web
}
same "200,000 ticks of the determinism script" --ticks 200000 --every 1000 --input "$work/long"
same "the winning run, tick by tick" --ticks 2485 --every 1 --input "$data/winning-run.txt"
grep -q '"event": "win"' "$work/web.out" || { echo "the winning run did not win under node" >&2; exit 1; }

printf '1 down 37\n5 jump\n' >"$work/bad"
same "a bad script" --input "$work/bad"
if [ "$last_status" != 2 ] || ! grep -q '^dravik-sim: line 2: unknown event "jump"' "$work/web.err"; then
    echo "a bad script is not refused at its line with exit 2" >&2
    exit 1
fi

node "$(dirname "$web")/overlap-check.js"
