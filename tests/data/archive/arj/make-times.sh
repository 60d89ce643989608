#!/bin/sh
# Recreates times.arj: ARJ for UNIX stores Unix seconds and the mode; members
# dated at the edges a restored time must keep, as in ../tar/make-times.sh
# (2040-01-01 00:00:01, an odd second, both 02:30 of the autumn night of 2021
# in Europe/Madrid); read-only.txt has mode 0444.
# Needs: arj, faketime.
. "$(dirname "$0")/../common.sh"

umask 022
for entry in 2040:2208988801 odd:1614834369 dst-first:1635640200 dst-second:1635643800 \
    read-only:1614834368; do
    name=${entry%%:*}
    printf '%s\n' "$name" > "$name.txt"
    touch -d "@${entry#*:}" "$name.txt"
done
chmod 0444 read-only.txt
rm -f "$out/times.arj"
NO_FAKE_STAT=1 faketime -f "2021-03-05 10:20:30" arj a -m0 "$out/times.arj" 2040.txt odd.txt dst-first.txt dst-second.txt read-only.txt \
    -j\$ -y -i > /dev/null
cd "$out"
arj v times.arj > times.arj.list
