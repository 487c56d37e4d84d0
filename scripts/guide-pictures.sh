#!/usr/bin/env bash
# The pictures of the operator's guide, taken from the real quellor.exe under
# Wine on a virtual display, connected on COM1 to the simulated thermostat.
# The program is driven from outside, as an operator would drive it: a
# settings file and a journal of the day before written before it starts,
# buttons pressed and a row double-clicked by a small helper
# (tests/win/drive/drive_quellor.cpp), faults from the simulator's command port.
#
#   scripts/guide-pictures.sh [build-dir] [native-build-dir] [out-dir]
#
# Defaults: the build this machine runs (build/i686, or build/x86_64 where
# 32-bit programs cannot run), build/native, build/guide/pictures. The
# helpers are built in the trees named, when these are trees of this
# checkout (build/NAME), else in build/i686 or build/x86_64 and build/native.
#
# A state that the program does not reach (a part of it not built yet) costs
# only its picture: the script says which pictures it could not take, the
# guide is built with the others, and the script still ends with status 0.
# It fails only when the program or the simulator cannot be started at all.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
source scripts/settings-file.sh

build=${1:-build/$(default_arch)}
native=${2:-build/native}
out=${3:-build/guide/pictures}
exe="$build/quellor.exe"
sim="$native/tools/thermostat-sim/thermostat-sim"
[ -f "$exe" ] || { echo "no $exe; build it first" >&2; exit 2; }
[ -x "$sim" ] || { echo "no $sim; build the native tree first" >&2; exit 2; }
case $build in /*) ;; *) exe="$root_dir/$exe" ;; esac

work="$root_dir/build/guide/work"
prefix="$wine_dir/guide-pictures"
title="Управление термостатом КРМ-Д"
mkdir -p "$work" "$out"
rm -f "$out"/*.png "$work/missing"

# tree_of <dir> <tree>: the name of that directory's tree under build/, or
# the tree given when it is none.
tree_of() {
    local name
    name=$(basename "$1")
    if [ -f "$1/CMakeCache.txt" ] && [ "$(cd "$1" && pwd)" = "$root_dir/build/$name" ]; then echo "$name"; else echo "$2"; fi
}

# The helper is a Windows program of its own, built for the same machine
# type as the program.
driver_exe="$work/drive-quellor.exe"
if [ "$(basename "$build")" = i686 ]; then arch_tree=i686; else arch_tree=x86_64; fi
build_drive_quellor "$(tree_of "$build" "$arch_tree")" "$driver_exe"
# The settings file and the journal are written by the native tools, with
# the program's own code for their layouts (tools/settings-file,
# tools/journal-file).
settings_tree=$(tree_of "$native" native)
(source scripts/trees.sh && build_tree "$settings_tree" --target quellor-journal >/dev/null)
journal_tool="$root_dir/build/$settings_tree/tools/journal-file/quellor-journal"

program_pid=
sim_pid=
trap 'end_session "$prefix" "$sim_pid"' EXIT INT TERM

# The pictures show what an operator's Windows shows: the session runs as a
# user of a neutral name, whose folders (the recording dialog shows one) are
# those of that name, not the build machine's.
export USER=operator LOGNAME=operator

start_xvfb
new_prefix "$prefix" display
export WINEPREFIX="$prefix"
# Wine draws the buttons of a title bar with the Marlett font. Debian's Wine
# does not look for its own fonts where fonts-wine puts them, and without
# Marlett the buttons come out as the letters "0 1 r"; the Windows fonts
# folder of the prefix is a place it does look.
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ]; then
    cp "$marlett" "$prefix/drive_c/windows/Fonts/"
else
    echo "no $marlett (fonts-wine): the title bars will show letters for their buttons" >&2
fi
# Without a window manager on the virtual display, Wine draws the frames and
# captions itself when its windows are not "managed": the pictures then show
# the title bars the operator sees.
$(wine_cmd) reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w

rm -f "$work/com1"
"$sim" --link "$work/com1" --log "$work/thermostat.log" --control-port 0 \
    --measured 21,4 --maintained 20,0 --tau 120 </dev/null >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && grep -q '^CONTROL' "$work/sim.out" && break; sleep 0.1; done
[ -e "$work/com1" ] || { echo "the simulated thermostat did not start:" >&2; cat "$work/sim.out" >&2; exit 1; }
control_port=$(awk '/^CONTROL/ { print $2 }' "$work/sim.out")
set_ports "$prefix" COM1="$work/com1"

simulator() { printf '%s\n' "$1" | socat -t2 - "TCP:127.0.0.1:$control_port" >/dev/null; }
driver() { $(wine_cmd) "$driver_exe" "$@" 2>/dev/null | tr -d '\r'; }

# write_settings <run flag> <start moment "yy mm dd HH MM" or "none">: the
# settings file of an operator who has chosen COM1 and entered a program of
# four stages (temperature code, hold minutes, hold hours), recording every
# 10 s (interval index 2).
stages=("2930 30 0" "3100 0 2" "3100 0 6" "2980 0 1")
write_settings() {
    write_settings_file "$(settings_file_of "$prefix")" "$1" "$2" 2 "C:\\Users\\$USER\\Documents" '\termo.txt' \
        "${stages[@]}"
}

start_program() {
    (cd "$build" && $(wine_cmd) "$exe" >/dev/null 2>&1) &
    program_pid=$!
    driver wait "$title" 30 || { echo "the program's window did not appear" >&2; exit 1; }
}

stop_program() {
    wineserver -k 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    set_ports "$prefix" COM1="$work/com1"
}

# shot <name> <what it shows> <title...>: the screen area of these windows.
shot() {
    local name=$1 what=$2; shift 2
    local x y w h
    sleep 1  # let the windows finish painting
    read -r x y w h < <(driver rect "$@") || { missed "$name" "$what"; return 0; }
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    echo "$out/$name.png: $what (${w}x${h})"
}

missed() {
    echo "NOT TAKEN: $1.png ($2): the program did not reach this state" >&2
    echo "$1" >>"$work/missing"
}

connect() { driver click 'Подключиться' && driver wait-hidden 'Подключиться' 10; }

# 1. Not connected, a program of four stages, the start moment now.
write_settings 0 none
cp docs/guide/pictures-alerts.ini "$(dirname "$(settings_file_of "$prefix")")/alerts.ini"
start_program
shot main-idle "the main window before connecting" "$title"

# 2. Connected: the readout of the bath.
if connect; then
    simulator "measured 36,4"
    simulator "panel 37,0"
    sleep 2
    shot main-connected "connected, with a program of several stages" "$title"

    # 3. Edit mode: the second stage opened by a double-click.
    driver dblclick-row 1
    if driver wait-control 'Изменить этап 2' 5; then
        shot edit-mode "stage 2 opened for editing" "$title"
        driver click 'Отмена' || true
    else
        missed edit-mode "stage 2 opened for editing"
    fi

    # 4. The recording dialog.
    dialog="Настройка параметров записи в файл"
    if driver click 'Запись в файл' && driver wait "$dialog" 5; then
        shot record-dialog "the recording dialog" "$dialog"
        driver close "$dialog" || true
    else
        missed record-dialog "the recording dialog"
    fi

    # 5. The alerts' dialog from the system menu, over the guide's own
    # alerts file (addresses where nothing listens).
    alerts="Оповещения"
    if driver sysmenu 0x0120 && driver wait "$alerts" 5; then
        shot alerts-dialog "the alerts dialog" "$alerts"
        driver close "$alerts" || true
    else
        missed alerts-dialog "the alerts dialog"
    fi

    # 6. The link lost: the thermostat goes silent.
    simulator "power off"
    if driver wait "Ошибка связи" 10; then
        shot link-lost "the box of a lost link over the main window" "$title" "Ошибка связи"
    else
        missed link-lost "the box of a lost link"
    fi
    simulator "power on"
else
    for name in main-connected edit-mode record-dialog alerts-dialog link-lost; do missed "$name" "needs a connection"; done
fi
stop_program

# 7. A run: the program was running when it was closed, started 45 minutes
# ago; at start-up it connects by itself and resumes in stage 2. Where it
# does not resume, the run button is pressed. Its journal holds the 30 hours
# before (made anew: the lines of the sessions above go), for the chart.
start_moment=$(date -d '-45 min' '+%y %m %d %H %M')
write_settings 255 "$start_moment"
journal_written=yes
"$journal_tool" simulate "$prefix/drive_c/users/$USER/AppData/Local/KRMD/journal" 30 || journal_written=
start_program
running='Завершить управление термостатом'
chart="График температуры"
if driver wait-control "$running" 10 ||
    { driver click 'Начать работу с момента >>' && driver wait-control "$running" 5; }; then
    shot run "a program running, stage 2 of 4" "$title"

    # 8. The chart from the system menu, at its first size: the day of the
    # journal and the program ahead. The mouse goes to the display's last
    # pixel first, off the windows: under it the chart shows a label.
    driver pointer 1023 767 || true
    if [ -n "$journal_written" ] && driver sysmenu 0x0110 && driver wait "$chart" 10 && driver press "$chart" '24 ч' 5; then
        shot chart "the chart window over a day of the journal, the program ahead" "$chart"
    else
        missed chart "the chart window over a day of the journal"
    fi
else
    missed run "a program running"
    missed chart "needs a run"
fi
stop_program

if [ -s "$work/missing" ]; then
    echo "Pictures not taken: $(tr '\n' ' ' <"$work/missing")(the guide is built without them)"
else
    echo "All pictures taken."
fi
