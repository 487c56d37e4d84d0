#!/usr/bin/env bash
# Threads, handles and memory over many exchanges (default 10,000): the
# program's own link code and main window (tests/win/bench/link_soak.cpp) on
# COM1 to the simulated thermostat, each exchange started as soon as the
# previous reply was taken rather than every 500 ms, so that 10,000 take
# minutes instead of 83. The figures must not grow. Prints figures, fails
# nothing.
#
#   scripts/bench-link-soak.sh [exchanges] [mingw-build-dir] [native-build-dir]
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/bench-link-env.sh

exchanges=${1:-10000}
build=${2:-build/$(default_arch)}
cmake --build "$build" --target link_soak >/dev/null || exit 1
bench_start "$build" "${3:-build/native}" "bench-soak-$(basename "$build")" no-program
export SIM_CONTROL_PORT=$bench_control_port
export SIM_LOG="Z:${bench_work//\//\\}\\sim.log"
(cd "$bench_build/tests/win" && WINEPREFIX="$bench_prefix" $(wine_cmd) link_soak.exe "$exchanges") | tr -d '\r'
echo "reply delay on the wire:"
LC_ALL=C awk '{ split($2, t, ":"); ms = (t[1] * 3600 + t[2] * 60 + t[3]) * 1000 }
     $3 == "IN" { sent = ms } $3 == "OUT" && sent { d = ms - sent; s += d; n++; if (d > m) m = d }
     END { if (n) printf "  %d replies, mean %.1f ms, largest %.0f ms after the request\n", n, s / n, m }' \
    "$bench_work/sim.log"
