#!/usr/bin/env bash
# Installs with apt what the guide and the installer need beyond the build and
# the tests (scripts/deps.sh): pandoc and WeasyPrint with a font that has
# Cyrillic letters, Wine's own fonts (the captions in the pictures), NSIS,
# the PDF tools of the checks, zip. Kept apart from scripts/deps.sh so that
# building and running the program need none of it; `make test` installs it
# to test the guide and the installer.
set -euo pipefail

packages=(pandoc weasyprint fonts-dejavu-core fonts-wine nsis poppler-utils zip socat)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
