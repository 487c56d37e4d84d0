#!/usr/bin/env bash
# Windows-side tests that need real rendering on a display: the main window's
# painting, the About banner. Runs win_tests.exe of the given build tree
# (default build/i686, or build/x86_64 where
# 32-bit programs cannot run) on a virtual X display in a fresh "display" prefix
# whose COM1 leads to a directory (opening fails at once; the window starts).
#   scripts/test-win-display.sh [build-dir] [extra gtest arguments]
# Exit code: that of the tests (non-zero on failure).
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${1:-build/$(default_arch)}
[ -x "$build/tests/win/win_tests.exe" ] || { echo "no $build/tests/win/win_tests.exe; build it first" >&2; exit 2; }
prefix="$wine_dir/$(basename "$build")-display"

trap 'end_session "$prefix"' EXIT INT TERM
start_xvfb

new_prefix "$prefix" display
mkdir -p "$prefix/no-device/com1"
set_ports "$prefix" COM1="$prefix/no-device/com1"
export WINEPREFIX="$prefix"

cd "$build/tests/win"
status=0
timeout 600 $(wine_cmd) win_tests.exe --gtest_brief=1 \
    --gtest_filter='Painting*:Help.About*:Help.Click*' "${@:2}" || status=$?
exit $status
