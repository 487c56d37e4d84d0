#!/usr/bin/env bash
# Builds the native tree (portable code, unit tests, simulator) and
# quellor.exe for i686 and x86_64. Extra tree: "asan" as argument (the fuzz
# tree is scripts/fuzz.sh's own).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/machine.sh

jobs=$(nproc)
configure_and_build() {
    local dir=$1; shift
    local targets=()
    # Where 32-bit programs cannot run, the i686 tree builds quellor.exe
    # alone: its tests could not be run.
    if [ "$dir" = i686 ] && ! runs_32bit; then targets=(--target quellor); fi
    [ -f "build/$dir/CMakeCache.txt" ] || cmake -S . -B "build/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "build/$dir" -j"$jobs" "${targets[@]}"
}

configure_and_build native
configure_and_build i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
configure_and_build x86_64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
for extra in "$@"; do
    case $extra in
        asan) configure_and_build asan -DCMAKE_BUILD_TYPE=Debug -DQUELLOR_SANITIZE=ON ;;
    esac
done
