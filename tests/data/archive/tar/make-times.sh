#!/bin/sh
# Recreates times.tar and its listing (run after make.sh, which removes every
# tar of this folder): members dated at the edges a restored time must keep,
# as Unix seconds: 1970-01-01 00:00:01, 2040-01-01 00:00:01 (past 2038), an
# odd second, and both 02:30 of the autumn night of 2021 in Europe/Madrid
# (00:30 and 01:30 UTC); read-only.txt has mode 0444. odd.txt.gz: gzip's
# own header time, the odd second.
# Needs: GNU tar, gzip.
. "$(dirname "$0")/../common.sh"

umask 022
for entry in 1970:1 2040:2208988801 odd:1614834369 dst-first:1635640200 \
    dst-second:1635643800 read-only:1614834368; do
    name=${entry%%:*}
    printf '%s\n' "$name" > "$name.txt"
    touch -d "@${entry#*:}" "$name.txt"
done
chmod 0444 read-only.txt
rm -f "$out/times.tar"
tar -b 1 --owner=0 --group=0 --numeric-owner --format=gnu -cf "$out/times.tar" \
    1970.txt 2040.txt odd.txt dst-first.txt dst-second.txt read-only.txt
gzip -9 -c odd.txt > "$out/odd.txt.gz"
cd "$out"
tar -tvf times.tar > times.tar.list
