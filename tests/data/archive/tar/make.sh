#!/bin/sh
# Recreates the tar fixtures of this folder and their listings (tar -tvf).
# Needs: GNU tar, gzip, faketime. A member of base-256 size would need gigabytes:
# there is none.
. "$(dirname "$0")/../common.sh"

umask 022
write_alpha
write_beta
write_docs
# A path of 125 characters: longer than the 100 of the name field.
long=docs/a-folder-name-that-is-rather-long-indeed/another-folder-name-that-is-also-long
mkdir -p "$long"
printf 'A file behind a long path.\n' > "$long/long-file-name.txt"
stamp_all

rm -f "$out"/*.tar "$out"/*.tar.gz "$out"/*.tgz "$out"/*.list
# -b 1: 512-byte records, so an archive ends after its two zero blocks.
tarf() { tar -b 1 --owner=0 --group=0 --numeric-owner --sort=name "$@"; }
tarf --format=v7 -cf "$out/v7.tar" alpha.txt beta.txt
tarf --format=ustar -cf "$out/ustar.tar" alpha.txt docs/top.txt docs/sub
tarf --format=gnu -cf "$out/gnu-longname.tar" alpha.txt "$long/long-file-name.txt"
# pax: the long path goes into an extended header; no process id in its
# name and no access or change times, so that the bytes stay fixed.
tarf --format=pax -cf "$out/pax.tar" \
    --pax-option='exthdr.name=%d/PaxHeaders/%f,delete=atime,delete=ctime' \
    alpha.txt "$long/long-file-name.txt"
# The label block takes the current time: faketime fixes it.
NO_FAKE_STAT=1 faketime -f '2021-03-05 10:20:30' \
    tar -b 1 --owner=0 --group=0 --numeric-owner --sort=name --format=gnu \
    -V 'Fixture volume' -cf "$out/volume-label.tar" alpha.txt beta.txt
# gzip -n: no name and no time in the gzip header.
tarf --format=ustar -cf - alpha.txt beta.txt docs | gzip -9 -n > "$out/docs.tar.gz"
tarf --format=gnu -cf - alpha.txt beta.txt | gzip -9 -n > "$out/pair.tgz"

cd "$out"
for f in *.tar *.tar.gz *.tgz; do
    tar -tvf "$f" > "$f.list"
done
