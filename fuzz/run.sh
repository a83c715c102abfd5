#!/usr/bin/env bash
# run.sh BUILD_DIR SECONDS: runs both fuzzers side by side for SECONDS each,
# starting from the seed corpus in the repository and the inputs that once
# found faults. New corpus entries stay in BUILD_DIR/fuzz/corpus-*; a crash
# leaves its input in BUILD_DIR/fuzz/artifacts/ and fails the run.
set -uo pipefail
build=$1 seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
status=0
pids=()
for harness in script play; do
    work="$build/fuzz/corpus-$harness"
    artifacts="$build/fuzz/artifacts"
    mkdir -p "$work" "$artifacts"
    "$build/fuzz/fuzz-$harness" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$harness-" "$work" "$here/corpus/$harness" "$here/found/$harness" \
        >"$build/fuzz/$harness.log" 2>&1 &
    pids+=($!)
done
for i in 0 1; do
    harness=$([ $i = 0 ] && echo script || echo play)
    if ! wait "${pids[$i]}"; then
        status=1
        echo "fuzz-$harness found a fault:" >&2
        grep -E "ERROR|broke|SUMMARY|Test unit written" "$build/fuzz/$harness.log" | head -20 >&2
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz/$harness.log")
    cov=$(grep -E '^#[0-9]+' "$build/fuzz/$harness.log" | tail -n 1 | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
    echo "fuzz-$harness: ${runs:-0} inputs in ${seconds} s, coverage ${cov:-?} edges, corpus $(ls "$build/fuzz/corpus-$harness" | wc -l) files"
done
exit $status
