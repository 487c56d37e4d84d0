#!/usr/bin/env bash
# The long unattended run: the shipped quellor.exe (x86_64 build) under Wine
# against the simulated thermostat, in accelerated time, with everything at
# once. A run of up to 255 stages flagged from 12:00 (250 in the file, five
# appended during the run), a "1 сек" recording for a fifth of it, random
# faults with a fixed seed, two kills each followed by a restart; the driver
# (tests/win/drive/soak_driver.cpp) does the operator's part and probes the
# window, and scripts/soak-check.sh then checks the simulator's log, the
# recording and the settings files and prints the figures.
#
#   scripts/soak.sh [program-minutes] [speed] [seed] [x86_64-build-dir] [native-build-dir]
# Defaults: 110 minutes at 20x (about six minutes); make test runs 75 minutes
# (about four and a half), the shortest that still holds both kills, the
# recording and the appended stages.
# The full run: scripts/soak.sh 1440 20 12
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
source scripts/settings-file.sh

minutes=${1:-110}
speed=${2:-20}
seed=${3:-12}
accelerated_trees "${4:-build/x86_64}" "${5:-build/native}"
driver="$build/tests/win/soak_driver.exe"
require_files soak "$sim" "$build/quellor.exe" "$driver" "$faketime_lib"
((minutes >= 70)) || { echo "soak: at least 70 program minutes" >&2; exit 2; }

name=soak-$minutes-$(basename "$build")
prefix="$wine_dir/$name"
work=${SOAK_WORK_DIR:-"$wine_dir/$name-work"}
settings_file=$(settings_file_of "$prefix")

if [ -z "${FAKETIME_SHARED:-}" ]; then
    rm -rf "$work"
    mkdir -p "$work"
    new_prefix "$prefix" headless
    # The stages: holds of 1 to 10 minutes (neighbouring boundaries one
    # minute apart among them), every fiftieth stage taking up what is left
    # of the length, and temperatures that all differ, so that the log tells
    # which stage each set command belongs to: -10,0 degC upwards in steps of
    # 0,2, at most 39,8, below the five stages appended during the run (41,0
    # to 45,4, holding 2 to 6 minutes) and within what the program accepts.
    budget=$((minutes - 20))
    holds=() total=0
    while ((${#holds[@]} < 250)); do
        h=$((1 + ${#holds[@]} * 7 % 10))
        ((total + h <= budget)) || break
        holds+=("$h"); total=$((total + h))
    done
    stages=${#holds[@]}
    long=$(((stages + 49) / 50)) rest=$((budget - total))
    for ((k = 0; k < stages; k++)); do
        if ((k % 50 == 49 || k == stages - 1)) && ((long > 0)); then
            add=$((rest / long)); rest=$((rest - add)); long=$((long - 1)); holds[k]=$((holds[k] + add))
        fi
    done
    list=()
    for ((k = 0; k < stages; k++)); do list+=("$((2630 + 2 * k)) $((holds[k] % 60)) $((holds[k] / 60))"); done
    write_settings_file "$settings_file" 255 "30 01 01 12 00" 0 "" "" "${list[@]}"
    cp "$settings_file" "$work/initial.ini"
    echo "soak: $stages stages over $budget minutes (+5 appended), ${speed}x, seed $seed: about" \
        "$(((minutes + 8) * 60 / speed)) s of real time"
    offset=$(($(date -d '2030-01-01 12:00:00' +%s) - 30 * speed - $(date +%s)))
    SOAK_WORK_DIR=$work exec faketime -m -f "+$offset x$speed" "$0" "$@"
fi

sim_pid=
# The prefix's Wine server goes too: it was started under the accelerated
# clock and would keep that clock's shared memory (and the faketime wrapper
# waiting for it) alive.
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && wait "$sim_pid" 2>/dev/null || true
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

"$sim" --link "$work/com1" --log "$work/sim.log" --control-port 0 --tau 30 --noise 0 --seed "$seed" \
    </dev/null >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do grep -q CONTROL "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
control=$(awk '$1 == "CONTROL" { print $2 }' "$work/sim.out")
[ -n "$control" ] || { echo "soak: the simulator did not start" >&2; exit 1; }
set_ports "$prefix" COM1="$work/com1"

winpath() { echo "Z:${1//\//\\}"; }
(cd "$build/tests/win" && WINEPREFIX="$prefix" QUELLOR_EXE="$(winpath "$build/quellor.exe")" \
    SIM_CONTROL_PORT=$control SIM_LOG="$(winpath "$work/sim.log")" SOAK_RECORD="$(winpath "$work/record.txt")" \
    SOAK_WORK="$(winpath "$work")" $(wine_cmd) soak_driver.exe "$minutes" "$speed" "$seed") |
    stdbuf -oL tr -d "\r" | tee "$work/driver.log" | grep -aE --line-buffered 'KILL|START|RECORD|STOP|END|EXIT|PROBE' || true
cp "$settings_file" "$work/final.ini" 2>/dev/null || true
cleanup
trap - EXIT
scripts/soak-check.sh "$work" "$speed"
