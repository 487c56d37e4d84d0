#!/usr/bin/env bash
# A screenshot of the main window for the README: runs quellor.exe of the given
# build tree (default build/i686) on a virtual X display in a fresh "display"
# prefix whose COM1 leads to /dev/null, waits for the window, and writes the
# window's area of the screen to docs/main-window.png.
#   scripts/screenshot.sh [build-dir] [output.png]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${1:-build/i686}
out=${2:-docs/main-window.png}
[ -f "$build/quellor.exe" ] || { echo "no $build/quellor.exe; build it first" >&2; exit 2; }
prefix="$wine_dir/$(basename "$build")-screenshot"
title="Управление термостатом КРМ-Д"

number=91
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
export DISPLAY=":$number"

new_prefix "$prefix" display
set_ports "$prefix" COM1=/dev/null
export WINEPREFIX="$prefix"

$(wine_cmd) "$build/quellor.exe" >/dev/null 2>&1 &
program=$!

# The window exists once X knows a window of that title; its geometry is the
# area to keep. Without a window manager it has no title bar.
geometry=
for _ in $(seq 300); do
    info=$(xwininfo -name "$title" 2>/dev/null || true)
    if [ -n "$info" ] && grep -q 'Map State: IsViewable' <<<"$info"; then
        x=$(awk '/Absolute upper-left X/ { print $4 }' <<<"$info")
        y=$(awk '/Absolute upper-left Y/ { print $4 }' <<<"$info")
        w=$(awk '/Width:/ { print $2 }' <<<"$info")
        h=$(awk '/Height:/ { print $2 }' <<<"$info")
        geometry="${w}x${h}+${x}+${y}"
        break
    fi
    sleep 0.1
done
[ -n "$geometry" ] || { echo "the main window did not appear" >&2; exit 1; }
sleep 2  # let it finish painting

mkdir -p "$(dirname "$out")"
import -window root -crop "$geometry" +repage "$out"
echo "$out: $geometry"
