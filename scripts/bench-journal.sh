#!/usr/bin/env bash
# Benchmark of the journal read back and of the chart's reduction, natively
# and without sanitizers (build/plain): a week of day files, one reading a
# second, is written to a temporary folder, read back and parsed into the
# history, and the week's 604,800 readings are reduced to 1,000 columns.
# Prints the times, the file sizes and the memory of the readings; figures
# only, nothing here fails on speed.
#   scripts/bench-journal.sh [runs of the reduction, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/trees.sh
build_tree plain --target journal_bench
exec build/plain/tests/bench_native/journal_bench "$@"
