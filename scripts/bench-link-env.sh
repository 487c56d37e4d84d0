# Sourced by the link benchmarks: the simulated thermostat on COM1 and
# quellor.exe connected to it by itself at start-up (a start moment is stored
# in its settings file). Call bench_start <mingw-build> <native-build> <name>
# [no-program]; the EXIT trap stops everything it started.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/settings-file.sh"

bench_sim_pid=
bench_prog_pid=
bench_cleanup() {
    [ -n "$bench_prog_pid" ] && kill "$bench_prog_pid" 2>/dev/null || true
    [ -n "$bench_sim_pid" ] && kill "$bench_sim_pid" 2>/dev/null || true
    [ -n "${bench_prefix:-}" ] && WINEPREFIX="$bench_prefix" wineserver -k 2>/dev/null || true
}
trap bench_cleanup EXIT

# Settings: COM1 (index 0), no run, a start moment (1 Jan 2026 00:00) stored.
bench_settings() {
    write_settings_file "$(settings_file_of "$bench_prefix")" 0 "26 01 01 00 00" 0 "" ""
}

bench_start() {
    local build=$1 native=$2 name=$3 noprogram=${4:-}
    bench_build=$(cd "$build" && pwd)
    bench_sim="$(cd "$native" && pwd)/tools/thermostat-sim/thermostat-sim"
    bench_prefix="$wine_dir/$name"
    bench_work="$wine_dir/$name-work"
    rm -rf "$bench_work"
    mkdir -p "$bench_work"
    export USER=${USER:-root}

    new_prefix "$bench_prefix" headless
    set_ports "$bench_prefix" COM1="$bench_work/com1"

    mkfifo "$bench_work/sim-in"
    exec 4<>"$bench_work/sim-in"
    "$bench_sim" --link "$bench_work/com1" --log "$bench_work/sim.log" --control-port 0 \
        --tau 60 --noise 1 --measured 20,0 --maintained 25,0 <&4 >"$bench_work/sim.out" 2>&1 &
    bench_sim_pid=$!
    for _ in $(seq 50); do [ -e "$bench_work/com1" ] && break; sleep 0.1; done

    bench_settings
    bench_control_port=$(sed -n 's/^CONTROL //p' "$bench_work/sim.out")
    [ -n "$noprogram" ] && return

    (cd "$bench_build" && WINEPREFIX="$bench_prefix" exec $(wine_cmd) quellor.exe \
        >/dev/null 2>&1) &
    bench_prog_pid=$!
    # The Linux process that runs quellor.exe, for its CPU time.
    bench_linux_pid=
    for _ in $(seq 100); do
        bench_linux_pid=$(bench_find_process quellor.exe)
        [ -n "$bench_linux_pid" ] && break
        sleep 0.2
    done
}

bench_find_process() {
    local pid
    for pid in $(pgrep -f "$1"); do
        if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$bench_prefix"; then
            echo "$pid"
            return
        fi
    done
}

# CPU seconds (user + system) of a Linux process so far.
bench_cpu_seconds() {
    LC_ALL=C awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"
}

bench_stats() {
    WINEPREFIX="$bench_prefix" $(wine_cmd) "$bench_build/tests/win/process_stats.exe" 2>/dev/null | tr -d '\r'
}

bench_polls() { grep -c ' IN B3 B3$' "$bench_work/sim.log" || true; }
bench_exchanges() { grep -c ' IN ' "$bench_work/sim.log" || true; }

# Median, 99th percentile and largest interval between polls, in ms, from the
# simulator's log (its own clock).
bench_cadence() {
    grep ' IN B3 B3$' "$bench_work/sim.log" |
        LC_ALL=C awk '{ split($2, t, ":"); ms = (t[1] * 3600 + t[2] * 60 + t[3]) * 1000;
               if (NR > 1) print ms - last; last = ms }' |
        sort -n |
        LC_ALL=C awk '{ v[NR] = $1 } END {
               if (NR == 0) { print "no polls"; exit }
               p99 = int(NR * 0.99); if (p99 < 1) p99 = 1;
               printf "intervals %d  median %.0f ms  p99 %.0f ms  max %.0f ms  min %.0f ms\n",
                      NR, v[int((NR + 1) / 2)], v[p99], v[NR], v[1] }'
}
