#!/usr/bin/env bash
# `make doc`: the pictures of the guide from the program this machine runs,
# then build/guide/quellor.pdf. Builds only the two targets it needs.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/machine.sh
source scripts/trees.sh

arch=$(default_arch)
build_tree native --target thermostat-sim
build_tree "$arch" --target quellor

scripts/guide-pictures.sh "build/$arch" build/native build/guide/pictures
scripts/guide-pdf.sh build/guide/pictures build/guide/quellor.pdf
