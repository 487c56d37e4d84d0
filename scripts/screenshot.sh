#!/usr/bin/env bash
# A screenshot of the main window for the README: runs quellor.exe of the given
# build tree (default build/i686, or build/x86_64 where
# 32-bit programs cannot run) on a virtual X display in a fresh "display"
# prefix whose COM1 leads to /dev/null, waits for the window, and writes the
# window's area of the screen to docs/main-window.png.
#   scripts/screenshot.sh [build-dir] [output.png]
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${1:-build/$(default_arch)}
out=${2:-docs/main-window.png}
[ -f "$build/quellor.exe" ] || { echo "no $build/quellor.exe; build it first" >&2; exit 2; }
prefix="$wine_dir/$(basename "$build")-screenshot"
title="Управление термостатом КРМ-Д"

program=
trap 'end_session "$prefix" "$program"' EXIT INT TERM
start_xvfb

new_prefix "$prefix" display
set_ports "$prefix" COM1=/dev/null
export WINEPREFIX="$prefix"

$(wine_cmd) "$build/quellor.exe" >/dev/null 2>&1 &
program=$!

screenshot_window "$title" "$out"
