#!/usr/bin/env bash
# Benchmark of the chart with a week of readings (tests/win/bench/chart_bench.cpp):
# the program's main window and chart window in one process under Wine, the
# journal's history filled with seven days of one reading a second. Prints
# the private bytes of the history and of the chart open on 7 days, and the
# time of one drawing at 1000 x 500 (memory bitmap) and of one WM_PAINT of the
# chart window. Run on a virtual X display (the window's painting goes to a
# real screen), and with "headless" on Wine's null graphics driver instead;
# "both" runs it both ways, each in a fresh prefix. Figures only, fails nothing.
#
#   scripts/bench-chart.sh [mingw-build-dir] [display|headless|both]
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${1:-build/$(default_arch)}
modes=${2:-display}
[ "$modes" = both ] && modes="display headless"
cmake --build "$build" -j2 --target chart_bench >/dev/null || exit 1
build=$(cd "$build" && pwd)
prefix="$wine_dir/bench-chart-$(basename "$build")"

trap 'end_session "$prefix"' EXIT INT TERM
echo "load: $(uptime)"
for mode in $modes; do
    [ "$mode" = display ] && start_xvfb
    new_prefix "$prefix" "$mode"
    # COM1 leads to a directory: the port list has it, opening it fails at once.
    mkdir -p "$prefix/no-device/com1"
    set_ports "$prefix" COM1="$prefix/no-device/com1"
    echo "== $mode ($( [ "$mode" = display ] && echo "Xvfb $DISPLAY, 1024x768x24" || echo "Graphics=null"))"
    (cd "$build/tests/win" && WINEPREFIX="$prefix" timeout 300 $(wine_cmd) chart_bench.exe) | tr -d '\r'
    end_session "$prefix"
done
echo "load: $(uptime)"
