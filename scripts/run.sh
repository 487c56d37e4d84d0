#!/usr/bin/env bash
# Builds quellor.exe and the simulated thermostat (those two targets alone, in
# the trees `make test` builds in full) and opens quellor.exe under Wine,
# connected on COM1 to the simulated thermostat.
# With no X display it starts a virtual one (Xvfb) and writes a screenshot of
# the window to build/run/screenshot.png.
#   RUN_ARCH=x86_64      run the 64-bit build instead of the 32-bit one (the
#                        64-bit build is the only one on a machine that cannot
#                        run 32-bit programs)
#   RUN_SECONDS=N        with no display: end after N seconds (default: stay)
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/machine.sh
source scripts/trees.sh

arch=${RUN_ARCH:-$(default_arch)}
if ! runs_32bit; then
    [ "$arch" = i686 ] && echo "RUN_ARCH=i686: this machine cannot run 32-bit programs" >&2 && exit 2
    echo "This machine cannot run 32-bit programs: running the x86_64 build."
fi
case $arch in i686 | x86_64) ;; *) echo "RUN_ARCH=$arch: i686 or x86_64" >&2 && exit 2 ;; esac
build_tree native --target thermostat-sim
build_tree "$arch" --target quellor

source scripts/wine-env.sh
source scripts/settings-file.sh
run_dir="$root_dir/build/run"
prefix="$wine_dir/run"
sim="$root_dir/build/native/tools/thermostat-sim/thermostat-sim"
title="Управление термостатом КРМ-Д"
mkdir -p "$run_dir"

# A settings file as an operator's first session would leave it: COM1 chosen
# and a start moment stored, so that the program connects by itself at start.
# The records go to the user's documents as termo.txt, every second.
seed_settings() {
    local file
    file=$(settings_file_of "$prefix")
    [ -f "$file" ] && return 0
    write_settings_file "$file" 0 "$(date '+%y %m %d %H %M')" 0 "C:\\users\\$USER\\Documents" '\termo.txt'
}

sim_pid=
trap 'end_session "$prefix" "$sim_pid"' EXIT INT TERM

headless=
if [ -z "${DISPLAY:-}" ]; then
    headless=yes
    start_xvfb
fi

# The prefix is kept between runs, so the program's settings survive as they
# would on the operator's machine; delete build/wine/run to start afresh.
[ -d "$prefix" ] || new_prefix "$prefix" display
USER=${USER:-$(id -un)}
seed_settings

rm -f "$run_dir/com1"
# The simulator also takes commands on its control port (see its README):
#   echo "panel 30,0" | socat - TCP:127.0.0.1:7351
"$sim" --link "$run_dir/com1" --log "$run_dir/thermostat.log" --control-port 7351 \
    </dev/null >"$run_dir/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$run_dir/com1" ] && break; sleep 0.1; done
[ -e "$run_dir/com1" ] || { echo "the simulated thermostat did not start:" >&2; cat "$run_dir/sim.out" >&2; exit 1; }
echo "Simulated thermostat on COM1 ($(readlink "$run_dir/com1")); log: $run_dir/thermostat.log; control port 7351"
set_ports "$prefix" COM1="$run_dir/com1"

if [ -z "$headless" ]; then
    WINEPREFIX="$prefix" $(wine_cmd) "build/$arch/quellor.exe" || true
    exit 0
fi

WINEPREFIX="$prefix" $(wine_cmd) "build/$arch/quellor.exe" &
program=$!
screenshot_window "$title" "$run_dir/screenshot.png"
echo "No display: the program runs on the virtual display $DISPLAY."
if [ -n "${RUN_SECONDS:-}" ]; then
    sleep "$RUN_SECONDS"
else
    echo "Press Ctrl+C to end."
    wait "$program" || true
fi
