#!/bin/sh
# Recreates the ARC fixtures of this folder and their listings (nomarch -lv).
# Needs: arc, nomarch. ARC picks the method per member itself: inputs are
# chosen so that the first member is stored (2), crunched (8), squashed (9)
# or packed (3).
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
cp beta.txt gamma.txt
printf 'Gamma ends differently.\n' >> gamma.txt
{
    printf 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa'
    printf 'bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbcccccccccccccccccccccccccd\n'
} > runs.txt
find . -exec touch -d "$stamp" {} +

rm -f "$out"/*.arc "$out"/*.list
arc as "$out/stored.arc" alpha.txt beta.txt > /dev/null
arc a "$out/crunched.arc" beta.txt gamma.txt > /dev/null
arc aq "$out/squashed.arc" beta.txt gamma.txt > /dev/null
arc a "$out/packed.arc" runs.txt > /dev/null

cd "$out"
chmod 644 ./*.arc
for f in *.arc; do
    nomarch -lv "$f" > "$f.list"
done
