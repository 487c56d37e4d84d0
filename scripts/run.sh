#!/usr/bin/env bash
# Opens quellor.exe under Wine, connected on COM1 to the simulated thermostat.
# With no X display it starts a virtual one (Xvfb) and writes a screenshot of
# the window to build/run/screenshot.png.
#   RUN_ARCH=x86_64      run the 64-bit build instead of the 32-bit one
#   RUN_SECONDS=N        with no display: end after N seconds (default: stay)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

arch=${RUN_ARCH:-i686}
run_dir="$root_dir/build/run"
prefix="$wine_dir/run"
sim="$root_dir/build/native/tools/thermostat-sim/thermostat-sim"
mkdir -p "$run_dir"

pids=()
cleanup() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT INT TERM

# The prefix is kept between runs, so the program's settings survive as they
# would on the operator's machine; delete build/wine/run to start afresh.
[ -d "$prefix" ] || new_prefix "$prefix" display
WINEPREFIX="$prefix" $(wine_cmd) reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true

if [ -x "$sim" ]; then
    rm -f "$run_dir/com1"
    # The simulator takes commands from its control port too (see its README):
    #   echo "panel 30,0" | socat - TCP:127.0.0.1:7351
    "$sim" --link "$run_dir/com1" --log "$run_dir/thermostat.log" --control-port 7351 \
        </dev/null >"$run_dir/sim.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do [ -e "$run_dir/com1" ] && break; sleep 0.1; done
    echo "Simulated thermostat on COM1 ($(readlink "$run_dir/com1")), log: $run_dir/thermostat.log"
    set_ports "$prefix" COM1="$run_dir/com1"
else
    echo "The simulated thermostat is not built; COM1 leads nowhere."
    set_ports "$prefix" COM1=/dev/null
fi

if [ -z "${DISPLAY:-}" ]; then
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=$display
    sleep 1
    WINEPREFIX="$prefix" $(wine_cmd) "build/$arch/quellor.exe" &
    program=$!
    sleep 8
    import -window root -crop 510x350+257+209 "$run_dir/screenshot.png" 2>/dev/null \
        && echo "No display: the program runs on the virtual display $DISPLAY; screenshot: $run_dir/screenshot.png"
    if [ -n "${RUN_SECONDS:-}" ]; then
        sleep "$RUN_SECONDS"
    else
        echo "Press Ctrl+C to end."
        wait "$program" || true
    fi
else
    WINEPREFIX="$prefix" $(wine_cmd) "build/$arch/quellor.exe" || true
fi
