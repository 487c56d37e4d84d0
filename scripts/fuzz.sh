#!/usr/bin/env bash
# Runs every fuzzer of tests/fuzz for N seconds each (first argument, default
# 20), built in the native tree (scripts/trees.sh: clang, the engine
# instrumented for the fuzzers, -fsanitize=fuzzer-no-link,address,undefined,
# so that the fuzzers see the code under test and AddressSanitizer checks its
# own reads and writes, not only those of the fuzzer sources). Exits non-zero
# as soon as a fuzzer crashes, leaks, times out or breaks one of its
# invariants; the reproducer is left in build/native/artifacts/<target>/.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/trees.sh

seconds=${1:-20}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds < 1)); then
    echo "usage: $0 [seconds per fuzzer, default 20]" >&2
    exit 2
fi

tree=build/native
targets=()
for source in tests/fuzz/*.cpp; do
    targets+=("$(basename "$source" .cpp)")
done
build_tree native --target "${targets[@]}" >/dev/null

status=0
for target in "${targets[@]}"; do
    # The working corpus grows in the build tree; the seeds in the repository
    # stay as they are.
    corpus="$tree/corpus/$target"
    artifacts="$tree/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    seeds=()
    [ -d "tests/fuzz/corpus/$target" ] && seeds=("tests/fuzz/corpus/$target")
    log="$tree/$target.log"
    echo "== $target: ${seconds}s"
    if UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$tree/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
           -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done ' "$log" | tr '\n' ' '
        echo
    else
        echo "FAILED: $target (log: $log, reproducer in $artifacts/)" >&2
        tail -n 40 "$log" >&2
        status=1
    fi
done
exit $status
