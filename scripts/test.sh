#!/usr/bin/env bash
# Every test of every level: native unit tests (also under AddressSanitizer
# and UBSan), a short fuzzing run, the Windows-side tests under Wine for both
# targets, and the end-to-end tests of the shipped program.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${FUZZ_SECONDS:-15}
started=$SECONDS
step() { printf '\n=== %s (%ds)\n' "$*" $((SECONDS - started)); }

step "build"
scripts/build.sh asan

step "native unit tests"
ctest --test-dir build/native --output-on-failure -j2
step "native unit tests under AddressSanitizer and UBSan"
ctest --test-dir build/asan --output-on-failure -j2

step "fuzzing, ${fuzz_seconds} s a target"
scripts/fuzz.sh "$fuzz_seconds"

for arch in i686 x86_64; do
    step "Windows-side tests ($arch)"
    scripts/test-win-inproc.sh "build/$arch"
    step "end-to-end start-up tests ($arch)"
    scripts/test-e2e-startup.sh "build/$arch"
done

step "painting tests on a virtual display"
scripts/test-win-display.sh build/i686

for arch in i686 x86_64; do
    step "end-to-end link tests with the simulated thermostat ($arch)"
    scripts/test-link.sh "build/$arch" build/native
done

step "all tests passed"
