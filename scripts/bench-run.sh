#!/usr/bin/env bash
# Benchmark of the program run: quellor.exe runs a long program of one-minute
# stages (default 120) in accelerated time (default 10x) against the
# simulated thermostat; prints the delay from each stage's start minute to its
# set command on the wire (program clock), and the stages sent late or never.
# Figures only; see docs/performance.md for results.
#   scripts/bench-run.sh [stages] [speed] [x86_64-build-dir] [native-build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
KILL_DURING_STAGE=1000 exec scripts/test-run-e2e.sh "${3:-build/x86_64}" "${4:-build/native}" "${1:-120}" "${2:-10}"
