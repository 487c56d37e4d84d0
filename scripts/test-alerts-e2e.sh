#!/usr/bin/env bash
# End-to-end test of the alerts, in accelerated time: the shipped quellor.exe
# (x86_64 build: the preloaded clock library is a 64-bit one) connects by
# itself to the simulated thermostat on COM1 and sends its alerts and its
# heartbeat to a listener of this script's own on 127.0.0.1
# (tools/alert-listener), which runs under the same clock and logs each
# request with that clock's time. The phases:
#   - the heartbeat every program minute, none while the program is killed;
#   - the thermostat silent (power off) and back: link_lost within 10 s of
#     program time, then link_restored;
#   - the bath held 5 degC off the maintained temperature for longer than
#     the one minute of the file: one deviation, and deviation_cleared once
#     released;
#   - the listener down (503, then no answer at all) while the link is lost
#     and restored twice, the program killed and started again in between:
#     the first alert tried again after 10 s, 30 s, then (its wait kept
#     across the restart) 2 min and 5 min; once the listener is up, every
#     alert arrives once and in the order caused;
#   - the webhook's token never in the program's journal or queue file.
# One "[  OK  ]" or "[FAILED]" line per check, then a RESULT line.
#
#   scripts/test-alerts-e2e.sh [x86_64-build-dir] [native-build-dir] [speed]
# About 45 s of real time at the default 20x (program minutes cost 3 s).
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
source scripts/settings-file.sh

accelerated_trees "${1:-build/x86_64}" "${2:-build/native}"
speed=${3:-20}
listener="$native/tools/alert-listener/alert-listener"
require_files test-alerts-e2e "$sim" "$listener" "$build/quellor.exe" "$faketime_lib"
# The settings tool of the same native tree (scripts/settings-file.sh).
settings_tree=$(realpath --relative-to="$root_dir/build" "$native")

name=alerts-e2e-$(basename "$build")
prefix="$wine_dir/$name"
work="$wine_dir/$name-work"
settings_file=$(settings_file_of "$prefix")
roaming="$prefix/drive_c/users/$USER/AppData/Roaming/KRMD"
local_data="$prefix/drive_c/users/$USER/AppData/Local/KRMD"
queue_file="$local_data/alerts-queue.txt"
journal_dir="$local_data/journal"
token=e2e-SECRET-4f1c9a
down="$work/down"
log="$work/listener.log"

if [ -z "${FAKETIME_SHARED:-}" ]; then
    real_start=$(date +%s)
    rm -rf "$work"
    mkdir -p "$work"
    new_prefix "$prefix" headless
    # Port COM1, no stages, a start moment stored: the program connects at
    # start-up by itself.
    write_settings_file "$settings_file" 0 "30 01 01 12 00" 0 "" ""
    offset=$(($(date -d '2030-01-01 12:00:00' +%s) - $(date +%s)))
    TEST_REAL_START=$real_start exec faketime -m -f "+$offset x$speed" "$0" "$@"
fi

sim_pid=
program_pid=
listener_feed=
cleanup() {
    [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    # The listener ends when its input closes.
    [ -n "$listener_feed" ] && exec {listener_feed}>&- || true
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# Every time below is the accelerated clock's: the script runs under it, and
# so do its sleeps (a program second is 1/speed s of real time).
now_ms() { date +%s%3N; }
# wait_until <program seconds> <command...>: true as soon as the command is,
# false when the time is up.
wait_until() {
    local end=$(($(date +%s) + $1)); shift
    until "$@"; do
        (($(date +%s) < end)) || return 1
        sleep 1
    done
}

failures=0
# The alerts caused, each "<event>:<from ms>:<to ms>": the window in which it
# is made (its body's "time"), for alert-listener expect. A loss is made
# between the power off and the power on, a restoral within 10 s of that.
caused=()
cause() { caused+=("$1:$2:$(($2 + $3))"); }  # <event> <from ms> <window ms>
check() {
    local what=$1; shift
    if "$@"; then echo "[  OK  ] $what"; else echo "[FAILED] $what"; failures=$((failures + 1)); fi
}
# A phase that cannot go on: the rest of the checks would say nothing.
give_up() {
    echo "[FAILED] $1"
    echo "RESULT failed: the alerts end to end, in accelerated time (files in $work)"
    exit 1
}

# The listener's log, read back by the listener itself (select, gaps,
# expect: tools/alert-listener/src/main.cpp): the requests of a kind, the
# events of the POSTs.
requests() { "$listener" select "$log" "$@"; }
count() { requests "$@" | grep -c . || true; }
at_least() { [ "$(count "${@:2}")" -ge "$1" ]; }  # <n> <selection...>
first_ms() { requests "$@" | head -n1 | cut -d' ' -f1; }
# <event> <answer> <from ms>: the time of the first such POST, if any.
first_post() { first_ms --method POST --event "$1" --answer "$2" --from "$3"; }
posted() { [ -n "$(first_post "$@")" ]; }
# The alerts of a kind in the program's queue file (one a line).
queued() {
    local n
    n=$(grep -c "$1" "$queue_file" 2>/dev/null) || true
    echo "${n:-0}"
}
queued_more() { (($(queued "$1") > $2)); }  # <event> <count before>
replies_since() {  # <count> <line of the simulator's log>: replies sent after it
    [ "$(tail -n +"$2" "$work/sim.log" | grep -c ' OUT ' || true)" -ge "$1" ]
}

sim_command() {
    local fd answer
    exec {fd}<>"/dev/tcp/127.0.0.1/$control"
    printf '%s\n' "$*" >&"$fd"
    IFS= read -r -t $((10 * speed)) answer <&"$fd" || true
    exec {fd}>&-
    [[ $answer == OK* ]] || { echo "test-alerts-e2e: the simulator answered \"$answer\" to $*" >&2; return 1; }
}

start_program() {
    (cd "$build" && WINEPREFIX="$prefix" exec $(wine_cmd) quellor.exe) >/dev/null 2>&1 &
    program_pid=$!
    disown "$program_pid"
}
kill_program() {
    kill -9 "$program_pid"
    while kill -0 "$program_pid" 2>/dev/null; do sleep 0.5; done
    program_pid=
}

# --- The simulator, the listener, the files ------------------------------
"$sim" --link "$work/com1" --log "$work/sim.log" --control-port 0 --tau 0 --noise 0 \
    </dev/null >"$work/sim.out" 2>&1 &
sim_pid=$!
wait_until 100 grep -q '^CONTROL' "$work/sim.out" || give_up "the simulator starts"
control=$(awk '$1 == "CONTROL" { print $2 }' "$work/sim.out")

exec {listener_feed}> >(exec "$listener" serve --log "$log" --down "$down" --bodies "$work/bodies.txt" \
    --seconds $((3600 * 3)) >"$work/listener.out" 2>&1)
wait_until 100 grep -q '^PORT' "$work/listener.out" || give_up "the listener starts"
listen_port=$(awk '$1 == "PORT" { print $2 }' "$work/listener.out")
touch "$log"

mkdir -p "$roaming"
printf '%s\r\n' "[webhook]" "url=http://127.0.0.1:$listen_port/hook?token=$token" "format=json" \
    "[heartbeat]" "url=http://127.0.0.1:$listen_port/ping" "minutes=1" \
    "[deviation]" "band=1,0" "minutes=1" >"$roaming/alerts.ini"

set_ports "$prefix" COM1="$work/com1"
echo "quellor.exe against the simulator on COM1, alerts to 127.0.0.1:$listen_port, at ${speed}x"

# --- Start-up --------------------------------------------------------------
start1=$(now_ms)
start_program
wait_until 1200 at_least 1 --path /ping || give_up "the first heartbeat comes at start-up"
wait_until 120 replies_since 4 1 || give_up "the program connects to the thermostat by itself"
echo "started: the first heartbeat $((($(first_ms --path /ping) - start1) / 1000)) s after the start (program time)"
# A flap of the link (a reply later than the program's 1 s, which is 50 ms
# of real time at 20x on a loaded machine) makes a pair of alerts no phase
# caused: those are allowed, and told at the end, but every caused alert
# must be made within its window.

# --- The link lost and restored --------------------------------------------
off1=$(now_ms)
sim_command power off
wait_until 60 posted link_lost 200 "$off1" || true
lost_ms=$(first_post link_lost 200 "$off1")
lost_s=n/a
[ -n "$lost_ms" ] && lost_s=$(LC_ALL=C awk -v d=$((lost_ms - off1)) 'BEGIN { printf "%.1f", d / 1000 }')
check "link_lost on the listener within 10 s of the power off (${lost_s} s, program time)" \
    test -n "$lost_ms" -a "$((${lost_ms:-0} - off1))" -le 10000
on1=$(now_ms)
sim_command power on
cause link_lost "$off1" $((on1 - off1))
cause link_restored "$on1" 10000
check "link_restored once the thermostat answers again" wait_until 60 posted link_restored 200 "$on1"

# --- The deviation ---------------------------------------------------------
held=$(now_ms)
sim_command hold 30,0
wait_until 180 posted deviation 200 "$held" || true
deviation_ms=$(first_post deviation 200 "$held")
after_s=n/a
[ -n "$deviation_ms" ] && after_s=$(((deviation_ms - held) / 1000))
# Time with the link down does not count: a flap may delay it a little.
check "a deviation after more than one minute off by 5 degC (${after_s} s)" \
    test -n "$deviation_ms" -a "$((${deviation_ms:-0} - held))" -gt 60000 -a "$((${deviation_ms:-0} - held))" -lt 120000
# Held a while longer: the excursion is told once.
sleep 45
check "no second deviation while the bath stays off for 45 s more" \
    test "$(count --method POST --event deviation --from "$held")" = 1
released=$(now_ms)
cause deviation $((held + 60000)) $((released - held - 60000))
sim_command release
cause deviation_cleared "$released" 10000
check "deviation_cleared once the bath is back within the band" \
    wait_until 60 posted deviation_cleared 200 "$released"

# --- The listener down, a kill and a restart -------------------------------
echo 503 >"$down"
down_from=$(now_ms)
sim_command power off
wait_until 60 posted link_lost 503 "$down_from" || give_up "the program tries link_lost with the listener down"
before=$(queued link_restored)
on2=$(now_ms)
sim_command power on
cause link_lost "$down_from" $((on2 - down_from))
cause link_restored "$on2" 10000
wait_until 60 queued_more link_restored "$before" || give_up "link_restored waits in the queue file"
# link_lost is tried again 10 s after its failure, and 30 s after the next.
# The program counts these waits in whole seconds of its clock: a try may
# come up to a second early.
wait_until 120 at_least 3 --method POST --event link_lost --from "$down_from" ||
    give_up "link_lost is tried three times with the listener down"
tries() { "$listener" gaps "$log" --method POST --event link_lost "$@"; }
tries_near() { tries "$@" >/dev/null; }
check "link_lost tried again 10 s and 30 s after failing (gaps: $(tries --from "$down_from" | paste -sd' '))" \
    tries_near --from "$down_from" --near 10,30 1 3
last_try=$(requests --method POST --event link_lost --from "$down_from" | tail -n1 | cut -d' ' -f1)
killed=$(now_ms)
kill_program
echo "killed with link_lost and link_restored waiting; nothing is sent for 75 s"
sleep 75
restarted=$(now_ms)
check "no request at all while the program is killed (75 s)" \
    test "$(count --from $((killed + 2000)) --to "$restarted")" = 0
# The listener now takes each request and closes without an answer.
echo close >"$down"
sim_line=$(($(wc -l <"$work/sim.log") + 1))
start_program
wait_until 1200 at_least 1 --path /ping --from "$restarted" ||
    give_up "the restarted program sends its heartbeat"
wait_until 120 replies_since 4 "$sim_line" || give_up "the restarted program connects by itself"
before=$(queued link_lost)
off3=$(now_ms)
sim_command power off
wait_until 60 queued_more link_lost "$before" || give_up "the second link_lost waits in the queue file"
before=$(queued link_restored)
on3=$(now_ms)
sim_command power on
cause link_lost "$off3" $((on3 - off3))
cause link_restored "$on3" 10000
wait_until 60 queued_more link_restored "$before" || give_up "the second link_restored waits in the queue file"
# Down until the restarted program has tried once more (once the 2 min of
# the third failure are over) and had no answer.
wait_until 300 at_least 1 --method POST --answer closed --from "$restarted" ||
    give_up "the restarted program tries link_lost again"
echo "the listener comes up: $(count --method POST --from "$down_from") tries failed while it was down"
rm -f "$down"
up=$(now_ms)
# The third failure waits 2 min, the fourth 5 min: link_lost is tried at
# once after the restart when its 2 min are over, then 5 min later.
wait_until 420 at_least 4 --method POST --answer 200 --from "$up" || true
sleep 10
first_again=$(first_ms --method POST --event link_lost --from "$restarted")
check "the restarted program waits out the 2 min of link_lost's third failure ($(((${first_again:-0} - last_try) / 1000)) s)" \
    test -n "$first_again" -a "$((${first_again:-0} - last_try))" -ge 119000
delivered_at=$(first_post link_lost 200 "$up")
check "and 5 min after its fourth before it is delivered (gaps: $(tries --from "$restarted" --to $((${delivered_at:-0} + 1)) | paste -sd' '))" \
    tries_near --from "$restarted" --to $((${delivered_at:-0} + 1)) --near 300 1 3
# expect_into <file> <arguments...>: the listener's verdict kept in a file.
expect_into() { "$listener" expect "$log" --extra link_lost,link_restored "${@:2}" >"$1"; }
check "the four alerts of the down time arrive once, in order, once it is up" \
    expect_into "$work/down-time.txt" --from "$up" "${caused[@]:4}"
sed -n 's/^\(FAIL\|NOTE\) /    /p' "$work/down-time.txt"
check "every alert of the run delivered once, in the order caused" expect_into "$work/delivered.txt" "${caused[@]}"
sed -n 's/^FAIL /    /p' "$work/delivered.txt"
check "each alert's body is a JSON object in UTF-8 with its event" \
    test "$(requests --method POST | cut -d' ' -f5 | grep -c '^!' || true)" = 0
check "every alert went to the webhook's path with its token" \
    test "$(count --method POST)" = "$(count --method POST --path "/hook?token=$token")"
check "the heartbeat is answered again once the listener is up" \
    wait_until 90 at_least 1 --path /ping --answer 200 --from "$up"
ended=$(now_ms)
kill_program

# --- The heartbeat's interval -----------------------------------------------
gaps() { "$listener" gaps "$log" --path /ping "$@"; }
within() { gaps "$@" --within 55 65 >/dev/null; }
check "the heartbeat every 60 s before the kill (gaps: $(gaps --from "$start1" --to "$killed" | paste -sd' '))" \
    within --from "$start1" --to "$killed"
check "the heartbeat every 60 s after the restart (gaps: $(gaps --from "$restarted" --to "$ended" | paste -sd' '))" \
    within --from "$restarted" --to "$ended"

# --- The token in the program's files ----------------------------------------
check "the journal names the webhook's address" grep -rqF "127.0.0.1:$listen_port" "$journal_dir"
check "the token is in none of the journal's files nor the queue file" \
    test -z "$(grep -rlF "$token" "$journal_dir" "$queue_file" 2>/dev/null || true)"

flaps=$(grep -c '^NOTE also: link_lost' "$work/delivered.txt" || true)
echo "the link flapped $flaps times besides the losses caused; retries while down:" \
    "$(count --method POST --from "$down_from" --to "$up" --answer 503) answered 503," \
    "$(count --method POST --from "$down_from" --to "$up" --answer closed) closed unanswered"
cleanup
trap - EXIT
# The real clock: date without the preloaded library.
echo "real time: $(($(env -u LD_PRELOAD date +%s) - TEST_REAL_START)) s"
if ((failures == 0)); then
    echo "RESULT passed: the alerts end to end, in accelerated time"
else
    echo "RESULT failed: the alerts end to end, in accelerated time ($failures checks; files in $work)"
fi
exit $((failures == 0 ? 0 : 1))
