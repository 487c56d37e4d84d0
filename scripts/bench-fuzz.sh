#!/usr/bin/env bash
# Benchmark of the fuzzers: each target of tests/fuzz runs a given number of
# inputs (default a million) from its seeds, and its figures are printed:
# inputs run, time, inputs a second, coverage reached and corpus size. Built as
# scripts/fuzz.sh builds them (build/native); a broken invariant stops the run
# with the fuzzer's report. make test runs the same targets briefly through
# scripts/fuzz.sh.
#   scripts/bench-fuzz.sh [inputs per fuzzer]
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
runs=${1:-1000000}
scripts/fuzz.sh 1 >/dev/null
tree=build/native
printf '%-26s %10s %8s %10s %6s %6s\n' target inputs seconds "inputs/s" cov corpus
for source in tests/fuzz/*.cpp; do
    target=$(basename "$source" .cpp)
    corpus="$tree/corpus/$target" artifacts="$tree/artifacts/$target" log="$tree/$target.bench.log"
    mkdir -p "$corpus" "$artifacts"
    seeds=()
    [ -d "tests/fuzz/corpus/$target" ] && seeds=("tests/fuzz/corpus/$target")
    started=$(date +%s.%N)
    if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$tree/tests/fuzz/$target" -runs="$runs" -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        echo "FAILED: $target (log: $log)" >&2
        tail -n 30 "$log" >&2
        exit 1
    fi
    seconds=$(echo "$(date +%s.%N) - $started" | bc)
    done_runs=$(awk '/^stat::number_of_executed_units/ { print $NF + 0 }' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
    printf '%-26s %10d %8.1f %10.0f %6s %6s\n' "$target" "$done_runs" "$seconds" "$(echo "$done_runs / $seconds" | bc -l)" \
        "${cov:-?}" "$(ls "$corpus" | wc -l)"
done
