#!/usr/bin/env bash
# Every test of every level: native unit and engine tests (under
# AddressSanitizer and UBSan), a short fuzzing run, the Windows-side tests under Wine for each
# build this machine can run, and the end-to-end tests of the shipped program.
# Every step runs even when an earlier one failed; the end shows how long each
# took and one line "N passed, N failed, N skipped" over all of them.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/machine.sh

fuzz_seconds=${FUZZ_SECONDS:-5}
logs=build/test-logs
mkdir -p "$logs"
rm -f "$logs"/*.log

started=$SECONDS
step_names=()
step_times=()
step_results=()
passed=0
failed=0
skipped=0

# Counts what a step's log reports: CTest's summary line, GoogleTest's
# PASSED/FAILED/SKIPPED totals (one set per test program), the fuzzers', the
# RESULT line of a scripted test and the [  OK  ]/[FAILED] lines of another.
count_results() {
    local log=$1 p f s
    read -r p f s < <(tr -d '\r' <"$log" | awk '
        /tests passed, [0-9]+ tests? failed out of [0-9]+/ {
            for (i = 1; i <= NF; i++) if ($i == "of") total = $(i + 1)
            for (i = 1; i <= NF; i++) if ($i == "failed" && $(i - 1) ~ /^tests?$/) bad = $(i - 2)
            p += total - bad; f += bad }
        /^\[  PASSED  \] [0-9]+ tests?/ { p += $4 }
        /^\[  FAILED  \] [0-9]+ tests?, listed below/ { f += $4 }
        /^\[  SKIPPED \] [0-9]+ tests?,? listed below|^\[  SKIPPED \] [0-9]+ tests?\.?$/ { s += $4 }
        /^== fuzz_[a-z_]+: / { p += 1 }
        /^FAILED: fuzz_/ { p -= 1; f += 1 }
        /^RESULT passed: / { p += 1 }
        /^RESULT failed: / { f += 1 }
        /^\[  OK  \] / { p += 1 }
        /^\[FAILED\] / { f += 1 }
        END { print p + 0, f + 0, s + 0 }')
    passed=$((passed + p)); failed=$((failed + f)); skipped=$((skipped + s))
}

# step <name> <command...>: runs the command, its output shown and kept.
step() {
    local name=$1; shift
    local log
    log="$logs/$(printf '%02d' ${#step_names[@]})-$(tr -c 'a-zA-Z0-9\n' '-' <<<"$name" | head -c 60).log"
    printf '\n=== %s (at %ds)\n' "$name" $((SECONDS - started))
    local begun=$SECONDS status=0
    "$@" 2>&1 | tee "$log" || status=$?
    # The log of a failed step ends with what failed, whatever came before.
    ((status == 0)) || echo "step failed: exit status $status of: $*" | tee -a "$log"
    count_results "$log"
    # A step that failed without a test saying so (a crash, a build error)
    # counts as one failure of its own.
    if ((status != 0)) && ! tr -d '\r' <"$log" | grep -qE '^\[  FAILED  \]|tests failed out of|^FAILED: fuzz_|^RESULT failed|^\[FAILED\] '; then
        failed=$((failed + 1))
    fi
    step_names+=("$name")
    step_times+=($((SECONDS - begun)))
    step_results+=("$([ $status = 0 ] && echo ok || echo "FAILED ($status): $log")")
}

# A step that runs beside the others: started now, its output kept in its
# log and shown, counted and timed (to its own end) by finish_background.
background_names=()
background_logs=()
background_pids=()
background_starts=()
background_done=()
start_background() {
    local name=$1; shift
    local log="$logs/bg-$(tr -c 'a-zA-Z0-9\n' '-' <<<"$name" | head -c 60).log"
    printf '\n=== %s (at %ds, beside the steps below; its output when it is waited for)\n' "$name" $((SECONDS - started))
    rm -f "$log.end"
    ( status=0; "$@" >"$log" 2>&1 || status=$?; echo $SECONDS >"$log.end"; exit $status ) &
    background_pids+=($!)
    background_names+=("$name")
    background_logs+=("$log")
    background_starts+=($SECONDS)
    background_done+=(no)
}
# finish_background [name]: waits for that step (or for every one left).
finish_background() {
    local i
    for i in "${!background_pids[@]}"; do
        [ "${background_done[$i]}" = no ] || continue
        [ $# = 0 ] || [ "$1" = "${background_names[$i]}" ] || continue
        background_done[i]=yes
        local status=0 ended
        wait "${background_pids[$i]}" || status=$?
        local log=${background_logs[$i]}
        ended=$(cat "$log.end" 2>/dev/null || echo $SECONDS)
        printf '\n=== %s (from %ds to %ds; its output)\n' "${background_names[$i]}" \
            $((background_starts[i] - started)) $((ended - started))
        cat "$log"
        ((status == 0)) || echo "step failed: exit status $status" | tee -a "$log"
        count_results "$log"
        if ((status != 0)) && ! tr -d '\r' <"$log" | grep -qE '^\[  FAILED  \]|tests failed out of|^FAILED: fuzz_|^RESULT failed|^\[FAILED\] '; then
            failed=$((failed + 1))
        fi
        step_names+=("${background_names[$i]} (beside the others)")
        step_times+=($((ended - background_starts[i])))
        step_results+=("$([ $status = 0 ] && echo ok || echo "FAILED ($status): $log")")
    done
}

if ! scripts/build.sh; then
    echo "test: the build failed" >&2
    exit 1
fi
build_time=$((SECONDS - started))

# The program run end to end, in accelerated time: the preloaded clock is a
# 64-bit library, so it runs the x86_64 build through the 64-bit loader on
# every machine. The soak resumes a stored run, kills and restarts the
# program and checks the wire as scripts/test-run-e2e.sh does (which is
# therefore no step of its own). It runs in real time beside the steps below,
# once every tree is built: beside a build, whose compilers take both cores,
# the program at 20x was seen to send a stage half a second late.
start_background "short soak: 75 program minutes at 20x, faults, kills, edits, a recording (x86_64)" \
    scripts/soak.sh 75

# The soak at 20x needs the CPU on time: the steps beside it that do not
# care when they get it (all but the link's and the alerts' checks) yield it,
# at nice 10. Once, with the guide, the painting tests and the soak at the
# same priority, the soak's program missed three panel changes and four
# stages.
yielding=(nice -n 10)
step "native unit and engine tests under AddressSanitizer and UBSan" "${yielding[@]}" ctest --test-dir build/native --output-on-failure -j2
step "fuzzing, ${fuzz_seconds} s a target" "${yielding[@]}" scripts/fuzz.sh "$fuzz_seconds"

# The guide and the installer wait on Wine far more than they compute: they
# run beside the Windows-side steps below, from the end of the first one (by
# then the soak's calm first stretch, which counts every lost link, is over),
# and are waited for before the alerts' check (beside the guide, the link at
# 20x flapped there and a check of the alerts failed).
guide="the guide with pictures from the program, and the installer under Wine"
archs=$(runnable_archs)
runs_32bit || printf '\n%s\n' "$no_32bit_notice"
for arch in $archs; do
    step "Windows-side tests ($arch)" "${yielding[@]}" scripts/test-win-inproc.sh "build/$arch"
    ((${#background_pids[@]} > 1)) || start_background "$guide" "${yielding[@]}" bash -c "scripts/doc.sh && scripts/test-release.sh"
    step "end-to-end start-up tests ($arch)" "${yielding[@]}" scripts/test-e2e-startup.sh "build/$arch"
done
step "painting tests on a virtual display ($(default_arch))" "${yielding[@]}" scripts/test-win-display.sh "build/$(default_arch)"
# The link's decisions are the engine tests'; what is left for the line is the
# same code in both builds, so it runs on the build operators get, and the
# x86_64 build meets the line in the soak.
step "end-to-end link tests with the simulated thermostat ($(default_arch))" \
    scripts/test-link.sh "build/$(default_arch)" build/native
finish_background "$guide"
# The alerts against a listener of the test's own, on the accelerated clock
# (the 64-bit loader, as the soak).
step "end-to-end alerts: a listener on 127.0.0.1, the accelerated clock (x86_64)" \
    scripts/test-alerts-e2e.sh build/x86_64 build/native

finish_background

printf '\n=== Summary\n'
printf '%6ds  build (native, i686, x86_64)\n' "$build_time"
for i in "${!step_names[@]}"; do
    printf '%6ds  %-70s %s\n' "${step_times[$i]}" "${step_names[$i]}" "${step_results[$i]}"
done
printf '%6ds  in all; logs in %s\n' $((SECONDS - started)) "$logs"
runs_32bit || echo "$no_32bit_notice"
echo "$passed passed, $failed failed, $skipped skipped"
[[ " ${step_results[*]} " != *FAILED* ]]
