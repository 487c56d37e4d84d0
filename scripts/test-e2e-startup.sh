#!/usr/bin/env bash
# End-to-end start-up tests: the shipped quellor.exe of the given build tree
# (default build/i686, or build/x86_64 where
# 32-bit programs cannot run) in a fresh headless prefix with one serial port.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${1:-build/$(default_arch)}
prefix="$root_dir/build/wine/e2e-startup-$(basename "$build")"
new_prefix "$prefix" headless
set_ports "$prefix" COM1=/dev/null
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT

cd "$build/tests/win"
WINEPREFIX="$prefix" timeout 600 $(wine_cmd) e2e_tests.exe --gtest_brief=1 --gtest_filter='StartUp.*'
