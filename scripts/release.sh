#!/usr/bin/env bash
# `make release`: the installer quellor-setup.exe and quellor.zip, both with
# quellor.exe and the guide quellor.pdf (build/guide/quellor.pdf, made by
# `make doc`), and SHA256SUMS of the two, in dist/. The zip unpacks into one
# folder, "KRMD Quellor". The installer takes its version from the version
# resource of the quellor.exe it packs.
#   scripts/release.sh [i686|x86_64] [out-dir]
# (GUIDE_PICTURES names another folder of pictures, for the tests.)
# Fails when the guide lacks one of its pictures: `make doc` builds the guide
# without a picture it could not take, which is for a draft, not a release.
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

# Every picture the guide shows (a paragraph "![caption](pictures/name.png)"),
# taken, and in the PDF.
pictures=${GUIDE_PICTURES:-build/guide/pictures}
mapfile -t wanted < <(sed -n 's/^!\[.*\](pictures\/\([^)]*\))$/\1/p' docs/guide/quellor.md)
missing=()
for picture in "${wanted[@]}"; do [ -f "$pictures/$picture" ] || missing+=("$picture"); done
if ((${#missing[@]})); then
    echo "release: the guide lacks its pictures ${missing[*]} (see make doc)" >&2
    exit 1
fi
held=$(pdfimages -list "$guide" | awk 'NR > 2 && $3 == "image"' | wc -l)
if [ "$held" -ne "${#wanted[@]}" ]; then
    echo "release: $guide holds $held pictures, the guide shows ${#wanted[@]}; run make doc again" >&2
    exit 1
fi

build_tree "$arch" --target quellor

mkdir -p "$out"
rm -f "$out/quellor-setup.exe" "$out/quellor.zip" "$out/SHA256SUMS"
makensis -V2 -INPUTCHARSET UTF8 -DTARGET="$target" -DPROGRAM="$PWD/build/$arch/quellor.exe" \
    -DGUIDE="$PWD/$guide" -DOUTFILE="$PWD/$out/quellor-setup.exe" installer/quellor.nsi

# The zip holds one folder, so that unpacking it puts nothing loose beside
# other files.
folder="KRMD Quellor"
staging="build/release-zip-$arch"
rm -rf "$staging" && mkdir -p "$staging/$folder"
cp "build/$arch/quellor.exe" "$guide" "$staging/$folder/"
(cd "$staging" && zip -q -r -X - "$folder") >"$out/quellor.zip"
rm -rf "$staging"

(cd "$out" && sha256sum quellor-setup.exe quellor.zip >SHA256SUMS)
echo "$out/quellor-setup.exe ($target, $arch program), $out/quellor.zip and $out/SHA256SUMS:"
ls -l "$out/quellor-setup.exe" "$out/quellor.zip" "$out/SHA256SUMS"
