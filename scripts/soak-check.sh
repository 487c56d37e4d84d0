#!/usr/bin/env bash
# Checks a soak run (scripts/soak.sh) from what the outside world kept: the
# simulator's log of the wire, the driver's log, the recording and the
# settings files. Prints figures and FAIL lines; exit status 1 on any FAIL.
# The schedule is read from the settings file at the end (the five appended
# stages included); stage k runs from 12:00 on 1 January 2030 plus the holds
# before it.
#   scripts/soak-check.sh <work-dir> <speed>
set -uo pipefail
source "$(dirname "$0")/settings-file.sh"
work=$1
speed=${2:-20}
cd "$work" || exit 2
status=0
fail() { echo "FAIL $*"; status=1; }
export LC_ALL=C

iconv -f CP1251 -t UTF-8 driver.log >driver.utf8 2>/dev/null || cp driver.log driver.utf8

# The settings files: each copy taken right after a kill must hold the run
# (flag set) and the stages written so far, the same as the final file's;
# the final file the ended run and every stage, the first ones as the script
# wrote them. "intact": the file is never cut shorter than its stages, and
# every stage it counts is one the program could have stored.
count=$(settings_field final.ini stageCount)
settings_field final.ini stages >stages
# Each stage's code, start and end in minutes from 12:00, by the program's own
# schedule rules.
settings_field final.ini schedule >schedule
[ "$(settings_field final.ini intact)" = yes ] || fail "final settings file: not intact for its $count stages"
[ "$(settings_field final.ini runFlag)" = 0 ] || fail "final settings file: the run is still flagged"
initial=$(settings_field initial.ini stages)
[ "$initial" = "$(head -n "$(settings_field initial.ini stageCount)" stages)" ] ||
    fail "final settings file: the initial stages changed"
echo "settings: $(settings_field initial.ini stageCount) stages at the start, $count at the end" \
    "(flag $(settings_field final.ini runFlag))"
for copy in after-kill-*.ini; do
    [ -e "$copy" ] || { fail "no copy of the settings file after a kill"; continue; }
    n=$(settings_field "$copy" stageCount) flag=$(settings_field "$copy" runFlag)
    same=no
    [ "$(settings_field "$copy" stages)" = "$(head -n "$n" stages)" ] && same=yes
    echo "settings after ${copy%.ini}: $(stat -c %s "$copy") bytes, flag $flag, $n stages, as written: $same"
    { [ "$(settings_field "$copy" intact)" = yes ] && [ "$flag" = 255 ] && [ $same = yes ]; } ||
        fail "$copy is not intact"
done

# Times as milliseconds from 12:00 on 1 January 2030: the simulator's log has
# the date, the driver's log the day of the month.
awk '{ split($2, t, ":"); printf "%d %s\n", ((substr($1, 9, 2) - 1) * 24 * 3600 + (t[1] - 12) * 3600 + t[2] * 60 + t[3]) * 1000, substr($0, 25) }' \
    sim.log >wire
awk '{ split($2, t, ":"); printf "%d %s\n", (($1 - 1) * 24 * 3600 + (t[1] - 12) * 3600 + t[2] * 60 + t[3]) * 1000, substr($0, 17) }' \
    driver.utf8 >events

# The wire against the schedule. Every set command must carry the running
# stage's temperature (the previous stage's within 500 ms after a boundary is
# counted apart: a tick's command logged after the minute turned). Each
# stage's first set command is timed from its start minute; a late one is
# explained only by a disturbance (a fault, a kill, a restart) between
# its start and its sending. A stage is on time when its set command is the
# first request of its start minute (the rules' first tick), or the second
# after a poll the last tick before it sent. Set commands that follow no boundary, panel
# change, append or restart within 3 s are the resumes after a lost link.
awk -v speed="$speed" '
    function hex(h,   i, v) { v = 0; for (i = 1; i <= length(h); i++) v = v * 16 + index("0123456789ABCDEF", substr(h, i, 1)) - 1; return v }
    BEGIN { n = 0; nd = 0; nc = 0; np = 0; calm = 1e15 }
    FILENAME == "schedule" { code[n] = $1; start[n] = $2 * 60000; end[n] = total = $3 * 60000; n++; next }
    FILENAME == "events" {
        # Disturbances as spans: a fault until 3 s after it is over (the
        # driver calls the faults off with CALM), a kill
        # until 3 s after the restart.
        if ($2 == "FAULT" || $2 == "START" || $2 == "APPEND") { from[nd] = $1; to[nd] = $1 + 3000; nd++ }
        if ($2 == "FAULT") for (i = 1; i <= NF; i++) if ($i == "for") lasting = nd - 1
        if ($2 == "CALM" && lasting != "") { to[lasting] = $1 + 3000; lasting = "" }
        if ($2 == "KILL") killed = $1
        if ($2 == "START" && killed) { from[nd - 1] = killed; killed = 0 }
        if ($2 == "FAULT" && $1 < calm) calm = $1
        if ($2 == "START" || $2 == "APPEND") { cause[nc++] = $1 }
        next
    }
    $2 == "NOTE" && /at the panel/ && $4 != $6 { cause[nc++] = $1; if ($1 < total) panel[np++] = $1 }
    $2 == "IN" {
        # Requests since the running stage began, up to its first set command.
        for (j = cur; j < n && $1 >= end[j]; j++) ;
        cur = j; if (cur < n && $1 >= start[cur] && !(cur in first)) before[cur]++
        if (last != "" && $1 - last > 1900) { gaps++; if ($1 < calm) calmgaps++; hitch = $1 }
        last = $1; answer = ""
    }
    $2 == "OUT" && answer == "" { answer = $1; if ($1 - last > 200) { latereplies++; hitch = $1 } }
    $2 == "IN" && $3 == "5A" && $4 == "F1" {
        t = $1; c = hex($6 $5); sets++
        k = -1; for (j = 0; j < n; j++) if (t >= start[j] && t < end[j]) { k = j; break }
        if (k < 0) { print "FAIL set command " c " at " t " ms outside the program"; next }
        if (c != code[k]) {
            if (k > 0 && c == code[k - 1] && t - start[k] < 500) { straddle++; next }
            print "FAIL set command " c " at " t " ms during stage " k + 1 " (" code[k] ")"; wrong++; next
        }
        if (!(k in first)) { first[k] = t - start[k]; rank[k] = before[k] }
        near = t - start[k] < 3000
        for (i = 0; i < nc && !near; i++) if (t >= cause[i] && t - cause[i] < 3000) near = 1
        if (!near) { resumes++; if (t < calm) { calmresumes++; if (hitch != "" && t - hitch < 3500) calmhitched++ } }
        for (i = 0; i < np; i++) if (!(i in answered) && t >= panel[i] && t - panel[i] < 10000) { answered[i] = t - panel[i] }
    }
    END {
        for (k = 0; k < n; k++) {
            if (!(k in first)) { never++; how = "never sent" } else if (rank[k] <= 2 && first[k] < 5000) { ontime++; d[ontime] = first[k]; continue } else { late++; how = "sent after " first[k] " ms" }
            why = 0; for (i = 0; i < nd; i++) if (to[i] >= start[k] - 3000 && from[i] <= start[k] + (k in first ? first[k] : end[k] - start[k])) why = 1
            if (why) explained++; else print "FAIL stage " k + 1 " " how " with nothing in its way"
        }
        for (i = 0; i < np; i++) if (i in answered) { pa++; if (answered[i] > pw) pw = answered[i] } else print "FAIL no set command within 10 s after the panel change at " panel[i] " ms"
        printf "wire: %d stages over %.1f h; %d set commands, none wrong: %s\n", n, total / 3600000, sets, wrong ? "no (" wrong ")" : "yes"
        for (i = 2; i <= ontime; i++) { v = d[i]; for (j = i - 1; j >= 1 && d[j] > v; j--) d[j + 1] = d[j]; d[j + 1] = v }
        printf "stages whose set command was the first request of their start minute (or the second, after a poll of the last tick before it): %d; delay from the minute, median %d ms, largest %d ms\n", ontime, d[int((ontime + 1) / 2)], d[ontime]
        printf "stages sent later or never, each after a fault, kill or restart: %d (never: %d)\n", explained, never + 0
        printf "set commands of the previous stage logged within 500 ms after a boundary: %d\n", straddle
        printf "panel changes: %d, each put back by a set command, the slowest after %d ms\n", np, pw
        printf "lost links seen on the wire (resumes mid-stage / gaps over 1.9 s): calm first stretch %d / %d, whole run %d / %d\n", calmresumes, calmgaps, resumes, gaps
        printf "  of the calm ones, after a reply the simulator itself sent over 200 ms late or a gap of every request: %d (late replies in the run: %d)\n", calmhitched, latereplies
    }' schedule events wire >report
cat report | grep -v '^FAIL' ; grep '^FAIL' report && status=1

# The recording: its header, CR LF everywhere, every value in the text form
# of a temperature, and one line per second of the time it was on.
if [ -e record.txt ]; then
    from=$(awk '$2 == "RECORD" { print $1; exit }' events)
    to=$(awk '$2 == "STOP" { print $1; exit }' events)
    lines=$(tr -cd '\n' <record.txt | wc -c)
    bare=$(grep -c $'[^\r]$' <(tr '\n' '\001' <record.txt | tr '\001' '\n') || true)
    header=$(head -n 4 record.txt | iconv -f CP1251 -t UTF-8 | tr -d '\r' | tr '\t\n' ' |')
    values=$(tail -n +5 record.txt | grep -c -E $'^-?[0-9]+,[0-9]\r$' || true)
    others=$((lines - 4 - values))
    expected=$(((to - from) / 1000))
    echo "recording: header \"$header\"; $values values, $others other lines, lines without CR: $bare;" \
        "on for $expected s, so about $expected values expected"
    [[ $header == "Дата "*"|Время "*"|Интервал 1 сек||" ]] || fail "record file header"
    ((others == 0 && bare == 0)) || fail "record file lines"
    d=$((values - expected)); ((d < 0)) && d=$((-d))
    ((d * 200 <= expected + 400)) || fail "record file: $values values for $expected s"
else
    fail "no record file"
fi

# The driver: the window answered within a second of real time at every
# probe, boxes, threads, handles and memory through the run.
grep -E ' (END|EXIT) ' driver.utf8 | cut -c 17-
grep -q ' END .* unanswered 0 ' driver.utf8 || fail "the window did not always answer within 1 s"
grep -q ' EXIT 0$' driver.utf8 || fail "the program did not end with exit code 0"
grep -q 'Завершено выполнение всех этапов.' driver.utf8 || fail "no completion message"
echo "boxes answered:"; grep ' BOX ' driver.utf8 | grep -v 'loss seen' | cut -c 21- | sort | uniq -c
echo "threads, handles, memory (program clock):"
grep ' STATS ' driver.utf8 | cut -c 1-15,22-
# Flat means: no program instance (from one start to the next kill or the
# end) holds more handles at its last sample than at its first plus 3, and
# the memory at the run's last sample is within 2 MB of the first instance's
# peak, which saw the recording and its dialog.
awk '$3 == "START" { i++ } $3 == "STATS" { n++; th[n] = $5; h[n] = $7; w[n] = $9; p[n] = $11; if ($5 > mt) mt = $5
        if (!(i in firsth)) firsth[i] = $7; lasth[i] = $7; if (i == 1 && $11 > peak) peak = $11 }
    END {
        if (n > 2) printf "second sample to last: handles %d -> %d, working set %d -> %d KB, pagefile %d -> %d KB; threads at most %d\n", h[2], h[n], w[2], w[n], p[2], p[n], mt
        for (k in firsth) if (lasth[k] > firsth[k] + 3) print "FAIL handles grew from " firsth[k] " to " lasth[k] " in program instance " k
        if (n > 2 && p[n] > peak + 2048) print "FAIL pagefile at the end " p[n] " KB, the first instance peaked at " peak " KB"
        if (n < 3) print "FAIL only " n " samples of threads, handles and memory"
    }' driver.utf8 >stats
grep -v '^FAIL' stats; grep '^FAIL' stats && status=1
[ $status = 0 ] && echo "RESULT passed: soak" || echo "RESULT failed: soak (files in $work)"
exit $status
