#!/usr/bin/env bash
# End-to-end tests of the thermostat link: the simulated thermostat on COM1,
# a port that cannot be opened on COM2, and the link's tests of the given
# MinGW build tree (default build/i686, or build/x86_64 where
# 32-bit programs cannot run) under Wine. The simulator comes from
# the native build tree (default build/native). Builds nothing.
#
#   scripts/test-link.sh [mingw-build-dir] [native-build-dir]
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

build=$(cd "${1:-build/$(default_arch)}" && pwd)
native=$(cd "${2:-build/native}" && pwd)
sim="$native/tools/thermostat-sim/thermostat-sim"
tests="$build/tests/win"
for needed in "$sim" "$build/quellor.exe" "$tests/link_e2e_tests.exe" "$tests/link_inproc_tests.exe"; do
    [ -x "$needed" ] || { echo "test-link: $needed is missing; build it first" >&2; exit 2; }
done

name=link-$(basename "$build")
prefix="$wine_dir/$name"
work="$wine_dir/$name-work"
rm -rf "$work"
mkdir -p "$work/not-a-port"
sim_pid=
cleanup() {
    end_session "$prefix" "$sim_pid"
    exec 3>&- 2>/dev/null || true
}
trap cleanup EXIT

# The simulator keeps reading its standard input; a pipe held open by this
# script keeps it from seeing an end of input.
mkfifo "$work/sim-in"
exec 3<>"$work/sim-in"
"$sim" --link "$work/com1" --log "$work/sim.log" --control-port 0 --tau 30 --noise 0 <&3 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do grep -q '^CONTROL ' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
control_port=$(sed -n 's/^CONTROL //p' "$work/sim.out")
[ -n "$control_port" ] || { echo "test-link: the simulator did not start" >&2; cat "$work/sim.out" >&2; exit 1; }

new_prefix "$prefix" headless
# COM2 leads to a directory: Wine lists it, and opening it fails as for a
# port that is absent or held by another program.
set_ports "$prefix" COM1="$work/com1" COM2="$work/not-a-port"

export SIM_CONTROL_PORT=$control_port
export SIM_LOG="Z:${work//\//\\}\\sim.log"
export QUELLOR_EXE="Z:${build//\//\\}\\quellor.exe"

status=0
cd "$tests"
WINEPREFIX="$prefix" timeout 600 $(wine_cmd) link_e2e_tests.exe --gtest_brief=1 || status=1
WINEPREFIX="$prefix" timeout 300 $(wine_cmd) link_inproc_tests.exe --gtest_brief=1 || status=1
[ $status = 0 ] || echo "test-link: failures; the wire is logged in $work/sim.log" >&2
exit $status
