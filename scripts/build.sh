#!/usr/bin/env bash
# Builds the native tree (the engine under the sanitizers, its tests, the
# fuzzers, the simulated thermostat) and quellor.exe for i686 and x86_64 with
# their tests (scripts/trees.sh), side by side; with arguments, only the
# trees named.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/machine.sh
source scripts/trees.sh

build_one() {
    case $1 in
        # Where 32-bit programs cannot run, the i686 tree builds quellor.exe
        # alone: its tests could not be run.
        i686) if runs_32bit; then build_tree i686; else build_tree i686 --target quellor; fi ;;
        native | x86_64) build_tree "$1" ;;
    esac
}

trees=("$@")
((${#trees[@]})) || trees=(native i686 x86_64)
for tree in "${trees[@]}"; do
    case $tree in native | i686 | x86_64) ;; *) echo "build: no tree $tree" >&2; exit 2 ;; esac
done
if ((${#trees[@]} == 1)); then
    build_one "${trees[0]}"
    exit 0
fi
# The trees build side by side, each on every core: one tree's configuring
# and linking, which use one core, leave the other to the next tree's
# compilers. Each tree's output is shown once it is done.
mkdir -p build
pids=()
for tree in "${trees[@]}"; do
    build_one "$tree" >"build/$tree-build.log" 2>&1 &
    pids+=($!)
done
status=0
for i in "${!trees[@]}"; do
    tree_status=0
    wait "${pids[$i]}" || tree_status=$?
    echo "=== build/${trees[$i]}"
    cat "build/${trees[$i]}-build.log"
    if ((tree_status != 0)); then
        echo "build: the ${trees[$i]} tree failed (exit status $tree_status)" >&2
        status=1
    fi
done
exit $status
