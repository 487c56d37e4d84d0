#!/usr/bin/env bash
# Installs with apt whatever the build and the tests need and is missing, and
# generates the Russian locale under which Wine uses code page 1251.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
source "$(dirname "$0")/machine.sh"
source "$(dirname "$0")/packages.sh"

packages=(
    cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
    wine wine64 xvfb x11-utils imagemagick locales faketime libfaketime socat
)

# The 32-bit Wine runs the i686 build where the kernel runs 32-bit programs.
# Elsewhere it must not be there at all: its launchers would take over from
# the 64-bit ones and fail. QUELLOR_32BIT=no on a machine that runs them
# leaves it as it is (the scripts then call the 64-bit loader by name), so
# that trying that path does not take Wine away from whoever else uses it.
if runs_32bit; then
    packages+=(wine32:i386)
elif ! kernel_runs_32bit && package_installed wine32:i386; then
    echo "Removing wine32:i386: this machine cannot run 32-bit programs"
    DEBIAN_FRONTEND=noninteractive $_sudo apt-get remove -y -qq wine32:i386 >/dev/null
fi

install_missing "${packages[@]}"

if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    $_sudo sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $_sudo tee -a /etc/locale.gen >/dev/null
    $_sudo locale-gen >/dev/null
fi
