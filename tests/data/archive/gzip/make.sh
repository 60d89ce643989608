#!/bin/sh
# Recreates the gzip fixtures of this folder and their listings (gzip -lv).
# Needs: gzip.
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
touch -d "$stamp" beta.txt

rm -f "$out"/*.gz "$out"/*.list
# With the stored name "beta.txt" and the file's time.
gzip -9 -c beta.txt > "$out/stored-name.gz"
# -n: no stored name, time 0; a reader names the member after the file.
gzip -9 -n -c beta.txt > "$out/no-name.txt.gz"

cd "$out"
touch -d "$stamp" ./*.gz
for f in *.gz; do
    gzip -lvN "$f" > "$f.list"
done
