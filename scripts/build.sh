#!/usr/bin/env bash
# Builds the native tree (the engine under the sanitizers, its tests, the
# fuzzers, the simulated thermostat) and quellor.exe for i686 and x86_64 with
# their tests (scripts/trees.sh).
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/machine.sh
source scripts/trees.sh

build_tree native
# Where 32-bit programs cannot run, the i686 tree builds quellor.exe alone:
# its tests could not be run.
if runs_32bit; then build_tree i686; else build_tree i686 --target quellor; fi
build_tree x86_64
