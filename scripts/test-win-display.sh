#!/usr/bin/env bash
# Windows-side tests that need real rendering on a display: the main window's
# painting, the About banner. Runs win_tests.exe of the given build tree
# (default build/i686) on a virtual X display in a fresh "display" prefix
# whose COM1 leads to a directory (opening fails at once; the window starts).
#   scripts/test-win-display.sh [build-dir] [extra gtest arguments]
# Exit code: that of the tests (non-zero on failure).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${1:-build/i686}
[ -x "$build/tests/win/win_tests.exe" ] || { echo "no $build/tests/win/win_tests.exe; build it first" >&2; exit 2; }
prefix="$wine_dir/$(basename "$build")-display"

# A free display number: no lock file and no socket.
number=91
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
export DISPLAY=":$number"

new_prefix "$prefix" display
mkdir -p "$prefix/no-device/com1"
set_ports "$prefix" COM1="$prefix/no-device/com1"

# Wine adds the host's /dev/ttyS* to SerialComm when it starts; keep the
# server running so that only COM1 stays listed.
export WINEPREFIX="$prefix"
wineserver -p
$(wine_cmd) reg query 'HKLM\Hardware\DeviceMap\SerialComm' 2>/dev/null | tr -d '\r' |
    awk '/REG_SZ/ { print $1, $3 }' | while read -r value port; do
        [ "$port" = COM1 ] || $(wine_cmd) reg delete 'HKLM\Hardware\DeviceMap\SerialComm' /v "$value" /f >/dev/null 2>&1
    done

cd "$build/tests/win"
status=0
timeout 600 $(wine_cmd) win_tests.exe --gtest_brief=1 \
    --gtest_filter='Painting*:Help.About*:Help.Click*' "${@:2}" || status=$?
exit $status
