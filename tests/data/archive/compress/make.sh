#!/bin/sh
# Recreates the Unix compress (.Z) fixture of this folder and its listing
# (gzip -lv, which reads .Z files too). Needs: compress (package ncompress).
set -eu
cd "$(dirname "$0")"
export TZ=UTC LC_ALL=C
out=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

stamp='2021-03-04 05:06:08'

cd "$work"
i=0
: > beta.txt
while [ $i -lt 12 ]; do
    printf 'Beta line %02d: the quick brown fox jumps over the lazy dog.\n' $i >> beta.txt
    i=$((i + 1))
done

rm -f "$out"/*.Z "$out"/*.list
compress -c beta.txt > "$out/beta.txt.Z"

cd "$out"
touch -d "$stamp" beta.txt.Z
gzip -lv beta.txt.Z > beta.txt.Z.list
