#!/usr/bin/env bash
# Installs with apt whatever the build and the tests need and is missing, and
# generates the Russian locale under which Wine uses code page 1251.
set -euo pipefail
source "$(dirname "$0")/machine.sh"

packages=(
    cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
    wine wine64 xvfb x11-utils imagemagick locales faketime libfaketime socat
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The 32-bit Wine runs the i686 build where the kernel runs 32-bit programs.
# Elsewhere it must not be there at all: its launchers would take over from
# the 64-bit ones and fail.
if runs_32bit; then
    packages+=(wine32:i386)
elif dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    echo "Removing wine32:i386: this machine cannot run 32-bit programs"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq wine32:i386 >/dev/null
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [[ " ${missing[*]} " == *":i386 "* ]]; then
        dpkg --print-foreign-architectures | grep -q i386 || $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    $sudo sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
