#!/usr/bin/env bash
# Poll cadence and idle CPU time of a connected program, in real time:
# quellor.exe polls the simulated thermostat for the given minutes (default
# 10); prints the intervals between polls on the wire (from the simulator's
# log), the program's CPU time over the run and per hour (extrapolated), and
# its threads, handles and memory at the start and the end. Prints figures,
# fails nothing. With BENCH_CHART=1 the chart window is opened on "24 ч" once
# the program is connected (through its system menu, by chart_bench.exe of
# the same tree), so that the cadence is that of a program that journals and
# redraws its chart every second.
#
#   [BENCH_CHART=1] scripts/bench-link-cadence.sh [minutes] [mingw-build-dir] [native-build-dir]
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/bench-link-env.sh

minutes=${1:-10}
build=${2:-build/$(default_arch)}
[ -n "${BENCH_CHART:-}" ] && { cmake --build "$build" -j2 --target chart_bench >/dev/null || exit 1; }
bench_start "$build" "${3:-build/native}" "bench-cadence-$(basename "$build")"
[ -n "$bench_linux_pid" ] || { echo "quellor.exe did not start"; exit 0; }
sleep 10
if [ -n "${BENCH_CHART:-}" ]; then
    (cd "$bench_build/tests/win" && WINEPREFIX="$bench_prefix" $(wine_cmd) chart_bench.exe open-chart) | tr -d '\r'
fi
echo "connected: $(bench_polls) polls so far"
echo "start: $(bench_stats)"
server_pid=$(bench_find_process wineserver)
cpu0=$(bench_cpu_seconds "$bench_linux_pid")
server0=$(bench_cpu_seconds "$server_pid")
polls0=$(bench_polls)
sleep $((minutes * 60))
cpu1=$(bench_cpu_seconds "$bench_linux_pid")
server1=$(bench_cpu_seconds "$server_pid")
polls1=$(bench_polls)
echo "end:   $(bench_stats)"
echo "polls in ${minutes} min: $((polls1 - polls0))"
bench_cadence
LC_ALL=C awk -v a="$cpu0" -v b="$cpu1" -v s0="$server0" -v s1="$server1" -v m="$minutes" 'BEGIN {
    printf "CPU of quellor.exe: %.2f s in %d min, %.1f s per hour (extrapolated)\n", b - a, m, (b - a) * 60 / m;
    printf "CPU of its wineserver: %.2f s in %d min, %.1f s per hour (extrapolated)\n", s1 - s0, m, (s1 - s0) * 60 / m }'
echo "log: $bench_work/sim.log"
