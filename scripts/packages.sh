# Sourced by the scripts that install what they need: install_missing
# <package>... installs with apt those of the named Debian packages that are
# not installed yet (an ":i386" one adds that architecture first), and
# nothing when all are there.
_sudo=""
[ "$(id -u)" -eq 0 ] || _sudo="sudo"

package_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

install_missing() {
    local missing=() package
    for package in "$@"; do package_installed "$package" || missing+=("$package"); done
    ((${#missing[@]})) || return 0
    echo "Installing: ${missing[*]}"
    if [[ " ${missing[*]} " == *":i386 "* ]]; then
        dpkg --print-foreign-architectures | grep -q i386 || $_sudo dpkg --add-architecture i386
    fi
    $_sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $_sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
