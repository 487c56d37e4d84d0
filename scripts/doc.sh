#!/usr/bin/env bash
# `make doc`: the pictures of the guide from the program this machine runs,
# then build/guide/quellor.pdf. Builds only the two targets it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/machine.sh

arch=$(default_arch)
[ -f build/native/CMakeCache.txt ] || cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j"$(nproc)" --target thermostat-sim
[ -f "build/$arch/CMakeCache.txt" ] ||
    cmake -S . -B "build/$arch" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" >/dev/null
cmake --build "build/$arch" -j"$(nproc)" --target quellor

scripts/guide-pictures.sh "build/$arch" build/native build/guide/pictures
scripts/guide-pdf.sh build/guide/pictures build/guide/quellor.pdf
