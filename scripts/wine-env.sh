# Sourced by the run and test scripts: the environment for Wine and the
# throw-away prefixes the program runs in.
export LC_ALL=ru_RU.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine_dir="$root_dir/build/wine"
pristine_prefix="$wine_dir/pristine"

wine_cmd() {
    if command -v wine >/dev/null; then echo wine; else echo wine64; fi
}

# Makes the pristine prefix once (about 15 s); later prefixes are copies.
# Windows get the headless "null" graphics driver unless $1 is "display".
make_pristine_prefix() {
    [ -f "$pristine_prefix/.ready" ] && return 0
    rm -rf "$pristine_prefix"
    mkdir -p "$wine_dir"
    WINEPREFIX="$pristine_prefix" $(wine_cmd) wineboot -i >/dev/null 2>&1
    WINEPREFIX="$pristine_prefix" wineserver -w
    touch "$pristine_prefix/.ready"
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
# host's /dev/ttyS*; the program lists HKLM\Hardware\DeviceMap\SerialComm.
set_ports() {
    local prefix=$1; shift
    local reg="$prefix/ports.reg"
    {
        echo 'REGEDIT4'
        echo
        echo '[-HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
        echo '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]'
        for port in "$@"; do echo "\"${port%%=*}\"=\"${port#*=}\""; done
    } >"$reg"
    WINEPREFIX="$prefix" $(wine_cmd) regedit /S "$(winepath_of "$prefix" "$reg")" >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w
}

winepath_of() {
    WINEPREFIX="$1" $(wine_cmd) winepath -w "$2" 2>/dev/null
}
