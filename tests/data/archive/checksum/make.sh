#!/bin/sh
# Makes the tar fixtures of the tar header checksum tests with GNU tar. One
# member each, fixed owner and time so the headers do not depend on the host.
#   ustar.tar   POSIX ustar header (checksum field: six digits, NUL, blank).
#   gnu.tar     GNU header.
#   v7.tar      old V7 header (no magic).
set -eu
cd "$(dirname "$0")"
printf 'Sorvane tar member\n' > member.txt
for format in ustar gnu v7; do
    tar --format=$format --owner=0 --group=0 --numeric-owner --mtime=@1623764730 \
        --mode=0644 --blocking-factor=1 -cf $format.tar member.txt
done
