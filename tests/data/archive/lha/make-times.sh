#!/bin/sh
# Recreates times-level2.lzh: members dated at the edges a restored time must
# keep, as in ../tar/make-times.sh (1970-01-01 00:00:01, 2040-01-01 00:00:01,
# an odd second, both 02:30 of the autumn night of 2021 in Europe/Madrid),
# in a level-2 header, which stores Unix seconds. jlha writes no level-0/1
# Unix-time extended header; those are built in the tests.
# Needs: jlha (jlha-utils), lhasa, faketime.
. "$(dirname "$0")/../common.sh"

for entry in 1970:1 2040:2208988801 odd:1614834369 dst-first:1635640200 \
    dst-second:1635643800; do
    name=${entry%%:*}
    printf '%s\n' "$name" > "$name.txt"
    touch -d "@${entry#*:}" "$name.txt"
done
rm -f "$out/times-level2.lzh"
jlha a2z "$out/times-level2.lzh" 1970.txt 2040.txt odd.txt dst-first.txt dst-second.txt > /dev/null
cd "$out"
lhasa t times-level2.lzh > /dev/null
NO_FAKE_STAT=1 faketime -f '2021-03-05 10:20:30' lhasa v times-level2.lzh > times-level2.lzh.list
