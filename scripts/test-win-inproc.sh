#!/usr/bin/env bash
# In-process Windows-side tests: win_tests.exe of the given build tree
# (default build/i686, or build/x86_64 where
# 32-bit programs cannot run) in a fresh headless prefix whose serial ports are
# exactly COM1 and COM2. Both lead to a directory, so that opening them fails
# at once and no test depends on a device. The tests that need other ports, or
# none, rewrite HKLM\Hardware\DeviceMap\SerialComm themselves and put it back.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=${1:-build/$(default_arch)}
name=inproc-$(basename "$build")
prefix="$wine_dir/$name"
new_prefix "$prefix" headless
mkdir -p "$prefix/no-device/com1" "$prefix/no-device/com2"
set_ports "$prefix" COM1="$prefix/no-device/com1" COM2="$prefix/no-device/com2"
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT

export WINEPREFIX="$prefix"
echo "Serial ports of the test prefix:"
$(wine_cmd) reg query 'HKLM\Hardware\DeviceMap\SerialComm' 2>/dev/null | tr -d '\r' | grep REG_SZ || true

cd "$build/tests/win"
timeout 900 $(wine_cmd) win_tests.exe --gtest_brief=1 "${@:2}"
