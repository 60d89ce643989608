#!/bin/sh
# Recreates the cabinet fixtures of this folder and their listings
# (cabextract -l). Needs: gcab, cabextract.
set -eu
cd "$(dirname "$0")"
export TZ=UTC LC_ALL=C
out=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

stamp='2021-03-04 05:06:08'

cd "$work"
printf 'Alpha file of the archive fixtures.\nIt has two lines.\n' > alpha.txt
i=0
: > beta.txt
while [ $i -lt 12 ]; do
    printf 'Beta line %02d: the quick brown fox jumps over the lazy dog.\n' $i >> beta.txt
    i=$((i + 1))
done
mkdir -p docs/sub
printf 'Top of the docs folder.\n' > docs/top.txt
printf 'Deep inside docs/sub.\n' > docs/sub/deep.txt
find . -exec touch -d "$stamp" {} +

rm -f "$out"/*.cab "$out"/*.list
# -c create, -n names without their folders, -z MSZIP compression.
gcab -c -n "$out/stored.cab" alpha.txt beta.txt
gcab -c -n -z "$out/mszip.cab" alpha.txt beta.txt
gcab -c -z "$out/folders.cab" alpha.txt docs/top.txt docs/sub/deep.txt

cd "$out"
for f in *.cab; do
    cabextract -l "$f" > "$f.list"
done
