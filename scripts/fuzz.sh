#!/usr/bin/env bash
# Builds the fuzz tree (build/fuzz: clang, Debug, -DQUELLOR_FUZZ=ON) and runs
# every fuzzer of tests/fuzz for N seconds each (first argument, default 20).
# Exits non-zero as soon as a fuzzer crashes, leaks, times out or breaks one of
# its invariants; the reproducer is left in build/fuzz/artifacts/<target>/.
#
# The portable library is compiled with coverage and sanitizer instrumentation
# too (-fsanitize=fuzzer-no-link,address,undefined), so that the fuzzers see
# the code under test and AddressSanitizer checks its own reads and writes, not
# only those of the fuzzer sources.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."

seconds=${1:-20}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds < 1)); then
    echo "usage: $0 [seconds per fuzzer, default 20]" >&2
    exit 2
fi

tree=build/fuzz
instrument="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

# A tree configured with another compiler (or without the fuzzers) is rebuilt
# from scratch: CMake cannot switch compilers in place.
if [ -f "$tree/CMakeCache.txt" ] &&
   ! { grep -q '^CMAKE_CXX_COMPILER:.*clang++' "$tree/CMakeCache.txt" &&
       grep -q '^QUELLOR_FUZZ:BOOL=ON' "$tree/CMakeCache.txt" &&
       grep -q '^CMAKE_CXX_FLAGS:.*fuzzer-no-link' "$tree/CMakeCache.txt"; }; then
    rm -rf "$tree"
fi
# Configured every time, not only the first: a fuzzer added since is
# unknown to the tree's makefiles until CMake has looked at tests/fuzz again.
cmake -S . -B "$tree" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DQUELLOR_FUZZ=ON \
    -DCMAKE_C_FLAGS="$instrument" -DCMAKE_CXX_FLAGS="$instrument" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null

targets=()
for source in tests/fuzz/*.cpp; do
    targets+=("$(basename "$source" .cpp)")
done
cmake --build "$tree" -j"$(nproc)" --target "${targets[@]}"

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
