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
# What scripts/test.sh runs of a Windows tree that this machine can run: the
# program, its Windows-side and start-up tests and drive-quellor in each;
# the link tests only on the build operators get (default_arch); the soak's
# operator only in the x86_64 tree, where the soak runs. The benchmarks build
# what else they need.
windows_targets() {
    local targets=(quellor win_tests e2e_tests drive-quellor process_stats)
    [ "$1" = "$(default_arch)" ] && targets+=(link_e2e_tests link_inproc_tests)
    [ "$1" = x86_64 ] && targets+=(soak_driver)
    echo "${targets[@]}"
}

for tree in "${trees[@]}"; do
    case $tree in
        # Where 32-bit programs cannot run, the i686 tree builds quellor.exe
        # alone: its tests could not be run.
        i686) if runs_32bit; then build_tree i686 --target $(windows_targets i686); else build_tree i686 --target quellor; fi ;;
        x86_64) build_tree x86_64 --target $(windows_targets x86_64) ;;
        native) build_tree native ;;
        *) echo "build: no tree $tree" >&2; exit 2 ;;
    esac
done
