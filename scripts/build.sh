#!/usr/bin/env bash
# Builds the native tree (the engine under the sanitizers, its tests, the
# fuzzers, the simulated thermostat) and quellor.exe for i686 and x86_64 with
# their tests (scripts/trees.sh); with arguments, only the trees named, in
# that order.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/machine.sh
source scripts/trees.sh

trees=("$@")
((${#trees[@]})) || trees=(native i686 x86_64)
for tree in "${trees[@]}"; do
    case $tree in
        # Where 32-bit programs cannot run, the i686 tree builds quellor.exe
        # alone: its tests could not be run.
        i686) if runs_32bit; then build_tree i686; else build_tree i686 --target quellor; fi ;;
        native | x86_64) build_tree "$tree" ;;
        *) echo "build: no tree $tree" >&2; exit 2 ;;
    esac
done
