#!/usr/bin/env bash
# End-to-end test of the program run, in accelerated time: the shipped
# quellor.exe (x86_64 build: the preloaded clock library is a 64-bit one)
# resumes a stored run of five one-minute stages against the simulated
# thermostat, is killed during the third stage and started again, and runs to
# the end. The simulator's log must show each stage's set command within
# 500 ms (of the program's clock) of its start minute, in order, no other
# temperature while a stage runs, and the run ended in the settings file.
#
#   scripts/test-run-e2e.sh [x86_64-build-dir] [native-build-dir] [stages] [speed]
# With more stages it is the benchmark of scripts/bench-run.sh.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
source scripts/settings-file.sh

accelerated_trees "${1:-build/x86_64}" "${2:-build/native}"
stages=${3:-5}
speed=${4:-5}
kill_during=${KILL_DURING_STAGE:-3}
require_files test-run-e2e "$sim" "$build/quellor.exe" "$faketime_lib"

name=run-e2e-$(basename "$build")
prefix="$wine_dir/$name"
work="$wine_dir/$name-work"
[ -n "${FAKETIME_SHARED:-}" ] || rm -rf "$work"
mkdir -p "$work"
sim_pid=
program_pid=
cleanup() {
    [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# One accelerated clock for every process: the script runs itself again
# under faketime, whose shared clock all its children (the simulator, Wine's
# server and the program) keep, however late each one starts. That clock
# starts 30 s of real time before 12:00, for Wine to start the program.
wait_fake_until() {  # <HH:MM:SS> on 1 January 2030
    local target
    target=$(date -d "2030-01-01 $1" +%s)
    while (($(date +%s) < target)); do sleep 0.2; done
}

# The settings: port COM1, a run flagged from 12:00 with one-minute stages
# whose temperatures all differ, so the log tells which stage each belongs to.
code_of() { echo $((2630 + ($1 * 7) % 700)); }
write_settings() {
    local list=() k
    for ((k = 0; k < stages; k++)); do list+=("$(code_of $k) 1 0"); done
    settings_file=$(settings_file_of "$prefix")
    write_settings_file "$settings_file" 255 "30 01 01 12 00" 0 "" "" "${list[@]}"
}

if [ -z "${FAKETIME_SHARED:-}" ]; then
    new_prefix "$prefix" headless
    write_settings
    offset=$(($(date -d '2030-01-01 12:00:00' +%s) - 30 * speed - $(date +%s)))
    trap - EXIT
    exec faketime -m -f "+$offset x$speed" "$0" "$@"
fi
settings_file=$(settings_file_of "$prefix")

"$sim" --link "$work/com1" --log "$work/sim.log" \
    --control-port 0 --tau 30 --noise 0 </dev/null >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
[ -e "$work/com1" ] || { echo "test-run-e2e: the simulator did not start" >&2; exit 1; }

set_ports "$prefix" COM1="$work/com1"

start_program() {
    (cd "$build" && WINEPREFIX="$prefix" exec $(wine_cmd) quellor.exe) >/dev/null 2>&1 &
    program_pid=$!
    disown "$program_pid"
}
start_program
echo "quellor.exe resumes a run of $stages one-minute stages from 12:00, at ${speed}x"

# Killed in the middle of a stage, as a power cut would: started again, it
# resumes at the stage of the clock.
if ((kill_during <= stages)); then
    wait_fake_until "12:$(printf %02d $((kill_during - 1))):30"
    kill -9 "$program_pid"
    while kill -0 "$program_pid" 2>/dev/null; do sleep 0.1; done
    echo "killed at $(date +%T) (program clock); started again"
    start_program
fi

end=$(date -d "2030-01-01 12:00 $stages minutes" +%T)
wait_fake_until "$(date -d "2030-01-01 12:00 $stages minutes 10 seconds" +%T)"

# The log's set commands against the schedule: each one must carry the
# temperature of the stage whose minutes it falls in, and each stage's set
# command must be the first request of its start minute (the first tick of
# the minute sends it). A request logged just after the boundary may come
# from a tick that read the clock just before it: the log's time is when the
# simulator read the bytes, and 30 ms of real delay are 30 ms x speed of the
# program's clock. The delay from the minute's start is a figure.
status=0
LC_ALL=C awk -v stages="$stages" -v slack=$((30 * speed)) '
    function hex(h,   i, v) { v = 0; for (i = 1; i <= length(h); i++) v = v * 16 + index("0123456789ABCDEF", substr(h, i, 1)) - 1; return v }
    function code(k) { return 2630 + (k * 7) % 700 }
    $3 == "IN" {
        split($2, t, ":"); ms = ((t[1] * 60 + t[2]) * 60 + t[3]) * 1000
        k = ms < 12 * 3600000 ? -1 : int((ms - 12 * 3600000) / 60000)
        set = $4 == "5A" && $5 == "F1"
        if (k >= 0 && k < stages && !(k in first)) {
            if (!set && ms - (12 * 3600000 + k * 60000) <= slack) next
            if (!set) { print "FAIL stage " k + 1 ": a poll at " $2 " came before its set command"; first[k] = -1; next }
            first[k] = ms - (12 * 3600000 + k * 60000); print "SENT", k + 1, first[k]
        }
        if (!set) next
        c = hex($7 $6)
        if (k < 0 || k >= stages) print "FAIL set command " c " at " $2 " outside the program"
        else if (c != code(k)) print "FAIL set command " c " at " $2 " during stage " k + 1 " (" code(k) ")"
    }
    END { for (k = 0; k < stages; k++) if (!(k in first)) print "FAIL stage " k + 1 " was never sent" }
    ' "$work/sim.log" >"$work/report"
grep '^FAIL' "$work/report" && status=1
delays=$(awk '$1 == "SENT" { printf "%d\n", $3 }' "$work/report" | sort -n)
count=$(grep -c . <<<"$delays" || true)
if ((count > 0)); then
    median=$(sed -n "$(((count + 1) / 2))p" <<<"$delays")
    largest=$(tail -n1 <<<"$delays")
    over=$(awk '$1 > 500' <<<"$delays" | grep -c . || true)
    echo "stages sent: $count of $stages; delay from the start minute (program clock): median $median ms," \
        "largest $largest ms, over 500 ms: $over"
fi

flag=$(settings_field "$settings_file" runFlag)
if [ "$flag" != 0 ]; then
    echo "FAIL the settings file still says running after the end at $end"
    status=1
else
    echo "the run ended at $end and the settings file says idle"
fi
if [ $status = 0 ]; then
    echo "RESULT passed: the program run, resumed and killed, in accelerated time"
else
    echo "RESULT failed: the program run, resumed and killed, in accelerated time (the wire: $work/sim.log)"
fi
exit $status
