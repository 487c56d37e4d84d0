#!/usr/bin/env bash
# Every test of every level: native unit tests (also under AddressSanitizer
# and UBSan), a short fuzzing run, the Windows-side tests under Wine for both
# targets, and the end-to-end tests of the shipped program.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${FUZZ_SECONDS:-15}
started=$SECONDS
step() { printf '\n=== %s (%ds)\n' "$*" $((SECONDS - started)); }
have() { [ -x "scripts/$1" ]; }

step "build"
scripts/build.sh asan

step "native unit tests"
ctest --test-dir build/native --output-on-failure -j2
step "native unit tests under AddressSanitizer and UBSan"
ctest --test-dir build/asan --output-on-failure -j2

if have fuzz.sh; then
    step "fuzzing, ${fuzz_seconds} s a target"
    scripts/fuzz.sh "$fuzz_seconds"
fi

for arch in i686 x86_64; do
    if have test-win-inproc.sh; then
        step "Windows-side tests ($arch)"
        scripts/test-win-inproc.sh "build/$arch"
    fi
    step "end-to-end start-up tests ($arch)"
    scripts/test-e2e-startup.sh "build/$arch"
done

if have test-win-display.sh; then
    step "painting tests on a virtual display"
    scripts/test-win-display.sh build/i686
fi

if have test-link.sh; then
    step "end-to-end link tests with the simulated thermostat"
    scripts/test-link.sh build/i686 build/native
fi

step "all tests passed"
