#!/usr/bin/env bash
# Benchmark of the program run across clock changes: the program's own run
# and link code (tests/win/bench/run_clock_jumps.cpp) on COM1 to the simulated
# thermostat, with the test's clock set forward an hour and back an hour in
# the middle of a run of 40 five-minute stages. Prints which stages were
# sent, and when. Figures only.
#   scripts/bench-run-jumps.sh [mingw-build-dir] [native-build-dir]
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/bench-link-env.sh

build=${1:-build/$(default_arch)}
cmake --build "$build" --target run_clock_jumps >/dev/null || exit 1
bench_start "$build" "${2:-build/native}" "bench-jumps-$(basename "$build")" no-program
export SIM_CONTROL_PORT=$bench_control_port
export SIM_LOG="Z:${bench_work//\//\\}\\sim.log"
(cd "$bench_build/tests/win" && WINEPREFIX="$bench_prefix" $(wine_cmd) run_clock_jumps.exe) | tr -d '\r'
