#!/usr/bin/env bash
# `make release`: the installer quellor-setup.exe and quellor.zip, both with
# quellor.exe and the guide quellor.pdf (build/guide/quellor.pdf, made by
# `make doc`), in dist/.
#   scripts/release.sh [i686|x86_64] [out-dir]
# What operators get is the i686 program in an x86 installer (the default).
# x86_64 gives the same installer script with Target amd64-unicode around the
# 64-bit program; the tests use it where 32-bit programs cannot run.
set -euo pipefail
source "$(dirname "$0")/errors.sh"
cd "$(dirname "$0")/.."
source scripts/trees.sh

arch=${1:-i686}
out=${2:-dist}
guide=build/guide/quellor.pdf
case $arch in
    i686) target=x86-unicode ;;
    x86_64) target=amd64-unicode ;;
    *) echo "release: unknown machine type $arch" >&2; exit 2 ;;
esac
[ -f "$guide" ] || { echo "release: no $guide; run make doc first" >&2; exit 2; }

build_tree "$arch" --target quellor

mkdir -p "$out"
rm -f "$out/quellor-setup.exe" "$out/quellor.zip"
makensis -V2 -INPUTCHARSET UTF8 -DTARGET="$target" -DPROGRAM="$PWD/build/$arch/quellor.exe" \
    -DGUIDE="$PWD/$guide" -DOUTFILE="$PWD/$out/quellor-setup.exe" installer/quellor.nsi
zip -q -j -X "$out/quellor.zip" "build/$arch/quellor.exe" "$guide"
echo "$out/quellor-setup.exe ($target, $arch program) and $out/quellor.zip:"
ls -l "$out/quellor-setup.exe" "$out/quellor.zip"
