#!/usr/bin/env bash
# Installs with apt what the guide and the installer need beyond the build and
# the tests (scripts/deps.sh): pandoc and WeasyPrint with a font that has
# Cyrillic letters, Wine's own fonts (the captions in the pictures), NSIS,
# the PDF tools of the checks, zip and unzip. Kept apart from scripts/deps.sh
# so that building and running the program need none of it; `make test`
# installs it to test the guide and the installer.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
source "$(dirname "$0")/packages.sh"

install_missing pandoc weasyprint fonts-dejavu-core fonts-wine nsis poppler-utils zip unzip socat
