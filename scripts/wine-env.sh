# Sourced by the run and test scripts: the environment for Wine and the
# throw-away prefixes the program runs in.
export LC_ALL=ru_RU.UTF-8
export WINEDEBUG=-all
# Wine's WinHTTP honours the proxy of the environment; the alerts' tests talk
# only to a listener of their own on 127.0.0.1.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export WINEDLLOVERRIDES="mscoree,mshtml="

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root_dir/scripts/machine.sh"
wine_dir="$root_dir/build/wine"
pristine_prefix="$wine_dir/pristine"

# The Wine loader every script goes through, for programs and for Wine's own
# tools alike (`$(wine_cmd) wineboot`, `$(wine_cmd) reg ...`). Where 32-bit
# programs cannot run, the launchers in /usr/bin would try the 32-bit loader:
# the 64-bit loader is called directly, and told to stay the loader of every
# process it starts. Under faketime (FAKETIME_SHARED is set: scripts/soak.sh,
# scripts/test-run-e2e.sh) the same holds on every machine: the preloaded clock
# library is the 64-bit one only, and a 32-bit `wine` would run on the real
# clock beside a Wine server on the fake one (docs/testing.md).
if runs_32bit && [ -z "${FAKETIME_SHARED:-}" ]; then
    wine_loader=wine
else
    wine_loader=/usr/lib/wine/wine64
    export WINELOADER=$wine_loader
fi
wine_cmd() { echo "$wine_loader"; }

# Makes the pristine prefix once (about 15 s); later prefixes are copies.
# Windows get the headless "null" graphics driver unless $1 is "display".
# Steps that run side by side may both ask for it: the first makes it, the
# other waits.
make_pristine_prefix() {
    [ -f "$pristine_prefix/.ready" ] && return 0
    mkdir -p "$wine_dir"
    (
        flock 9
        [ -f "$pristine_prefix/.ready" ] && exit 0
        rm -rf "$pristine_prefix"
        WINEPREFIX="$pristine_prefix" $(wine_cmd) wineboot -i >/dev/null 2>&1
        WINEPREFIX="$pristine_prefix" wineserver -w
        touch "$pristine_prefix/.ready"
    ) 9>"$wine_dir/.pristine.lock"
}

# new_prefix <dir> <headless|display>: a fresh copy of the pristine prefix.
new_prefix() {
    local prefix=$1 mode=${2:-headless}
    make_pristine_prefix
    rm -rf "$prefix"
    cp -a "$pristine_prefix" "$prefix"
    if [ "$mode" = headless ]; then
        WINEPREFIX="$prefix" $(wine_cmd) reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    fi
    WINEPREFIX="$prefix" wineserver -w
}

# set_ports <prefix> [COMn=/path ...]: the prefix's serial ports, exactly these.
# Wine rewrites dosdevices from HKLM\Software\Wine\Ports at start and adds the
# host's /dev/ttyS* to HKLM\Hardware\DeviceMap\SerialComm, the key the program
# lists. So the prefix's server is left running (until `wineserver -k`, which
# every caller does on exit) once the extra values are deleted from that key.
set_ports() {
    local prefix=$1; shift
    local reg="$prefix/ports.reg" wanted=" " port
    {
        echo 'REGEDIT4'
        echo
        echo '[-HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
        echo '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
        for port in "$@"; do echo "\"${port%%=*}\"=\"${port#*=}\""; done
    } >"$reg"
    for port in "$@"; do wanted+="${port%%=*} "; done
    WINEPREFIX="$prefix" $(wine_cmd) regedit /S "$(winepath_of "$prefix" "$reg")" >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
    # Its output goes nowhere: a killed server dumps its objects there.
    WINEPREFIX="$prefix" wineserver -p >/dev/null 2>&1
    WINEPREFIX="$prefix" $(wine_cmd) reg query 'HKLM\Hardware\DeviceMap\SerialComm' 2>/dev/null | tr -d '\r' |
        awk '$2 == "REG_SZ" { print $1, $3 }' | while read -r value port; do
            [[ $wanted == *" $port "* ]] && continue
            WINEPREFIX="$prefix" $(wine_cmd) reg delete 'HKLM\Hardware\DeviceMap\SerialComm' /v "$value" /f \
                >/dev/null 2>&1
        done
}

# start_xvfb: a virtual X display on a free number; sets DISPLAY and xvfb_pid.
# The server picks the number itself and writes it once it takes clients, so
# two scripts starting a display at the same moment each get one.
start_xvfb() {
    local number_file number=
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        number=$(tr -dc 0-9 <"$number_file")
        [ -n "$number" ] && break
        sleep 0.1
    done
    rm -f "$number_file"
    [ -n "$number" ] || { echo "the virtual display (Xvfb) did not start" >&2; return 1; }
    export DISPLAY=":$number"
}

stop_xvfb() {
    [ -n "${xvfb_pid:-}" ] || return 0
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
}

# end_session <prefix> [pid...]: what a script started ends with it: the
# processes named (the simulator, a program), the prefix's Wine server and the
# virtual display, if any. For the script's EXIT trap; never fails.
end_session() {
    local prefix=$1 pid; shift
    for pid in "$@"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null || true; done
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    stop_xvfb
}

# build_drive_quellor <i686|x86_64> <out.exe>: the helper with which the
# guide's pictures and the release tests drive quellor.exe from outside
# (tests/win/drive/drive_quellor.cpp), built in that Windows tree and copied
# to where the script runs it.
build_drive_quellor() {
    local tree=$1 out=$2
    (cd "$root_dir" && source scripts/trees.sh && build_tree "$tree" --target drive-quellor >/dev/null)
    mkdir -p "$(dirname "$out")"
    cp "$root_dir/build/$tree/tests/win/drive-quellor.exe" "$out"
}

# screenshot_window <title> <out.png>: waits (up to 30 s) for the X window of
# that title and writes its area of the screen. Without a window manager the
# window has no title bar: the picture is its client area.
screenshot_window() {
    local title=$1 out=$2 info geometry=
    for _ in $(seq 300); do
        info=$(xwininfo -name "$title" 2>/dev/null || true)
        if [ -n "$info" ] && grep -q 'Map State: IsViewable' <<<"$info"; then
            geometry=$(awk '/Width:/ { w = $2 } /Height:/ { h = $2 }
                            /Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
                            END { printf "%sx%s+%s+%s", w, h, x, y }' <<<"$info")
            break
        fi
        sleep 0.1
    done
    [ -n "$geometry" ] || { echo "the window \"$title\" did not appear" >&2; return 1; }
    sleep 2  # let it finish painting
    mkdir -p "$(dirname "$out")"
    import -window root -crop "$geometry" +repage "$out"
    echo "$out: $geometry"
}

# accelerated_trees <x86_64-build-dir> <native-build-dir>: what the checks on
# the accelerated clock (scripts/soak.sh, test-run-e2e.sh, test-alerts-e2e.sh)
# share: build, native and sim as absolute paths, the preloaded clock library
# (faketime_lib), universal time and a user name for the prefix's folders.
accelerated_trees() {
    build=$(cd "$1" && pwd)
    native=$(cd "$2" && pwd)
    sim="$native/tools/thermostat-sim/thermostat-sim"
    faketime_lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1
    export TZ=UTC
    USER=${USER:-$(id -un)}
}

# require_files <who> <file...>: ends the script (status 2) at the first file
# missing, naming it.
require_files() {
    local who=$1 file; shift
    for file in "$@"; do
        [ -e "$file" ] || { echo "$who: $file is missing" >&2; exit 2; }
    done
}

winepath_of() {
    WINEPREFIX="$1" $(wine_cmd) winepath -w "$2" 2>/dev/null
}
