#!/bin/sh
# Recreates the ZIP time fixtures (run after make.sh, which removes every zip
# of this folder): members dated at the edges a restored time must keep, as
# in ../tar/make-times.sh: 1970-01-01 00:00:01, 2040-01-01 00:00:01 (past
# 2038), an odd second, and both 02:30 of the autumn night of 2021 in
# Europe/Madrid (00:30 and 01:30 UTC); read-only.txt has mode 0444, the
# folder dated/ the odd second.
#   times.zip       zip with its extended timestamps (seconds)
#   times-ntfs.zip  7zz with NTFS times (100 ns): the odd second and 0.1234567
#   times-dos.zip   zip -X, DOS dates alone, written in Europe/Madrid's time
# Needs: zip, 7zz (package 7zip), unzip.
. "$(dirname "$0")/../common.sh"

umask 022
for entry in 1970:1 2040:2208988801 odd:1614834369 dst-first:1635640200 \
    dst-second:1635643800 read-only:1614834368; do
    name=${entry%%:*}
    printf '%s\n' "$name" > "$name.txt"
    touch -d "@${entry#*:}" "$name.txt"
done
chmod 0444 read-only.txt
mkdir dated
printf 'inside\n' > dated/inner.txt
touch -d @1614834368 dated/inner.txt
touch -d @1614834369 dated
printf 'fraction\n' > fraction.txt
touch -d @1614834369.1234567 fraction.txt
rm -f "$out/times.zip" "$out/times-ntfs.zip" "$out/times-dos.zip"
zip -q "$out/times.zip" 1970.txt 2040.txt odd.txt dst-first.txt dst-second.txt read-only.txt \
    dated/ dated/inner.txt
7zz a -bso0 -bsp0 -tzip -mtc=on -mx=0 "$out/times-ntfs.zip" fraction.txt
TZ=Europe/Madrid zip -q -X "$out/times-dos.zip" odd.txt 1970.txt
cd "$out"
for f in times times-ntfs times-dos; do
    unzip -Z -l "$f.zip" > "$f.zip.list"
done
