#!/bin/sh
# Recreates the tar fixtures of this folder and their listings (tar -tvf).
# Needs: GNU tar, gzip, faketime, python3. A member of base-256 size would need
# gigabytes: there is none. A pax member of 9,000,000,000 bytes is kept as the
# blocks around its data (pax-large.tar.head and .tail); see below.
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

# pax: a member of 9,000,000,000 bytes (sparse on disk) dated 2300-01-01, so
# that its size and time are pax "size" and "mtime" records, then a small
# file. The archive's data are zeros: only the 1,536 bytes before them (pax
# header, its records, the member's header) and the 2,048 after them (the
# small file and the end blocks) are kept. A test puts them back around a
# hole of the data's size.
large=9000000000
truncate -s $large large.bin
touch -d '2300-01-01 00:00:00' large.bin
printf 'After the large member.\n' > after.txt
touch -d "$stamp" after.txt
tarf --format=pax --pax-option='exthdr.name=%d/PaxHeaders/%f,delete=atime,delete=ctime' \
    -cf - large.bin after.txt | python3 -c '
import sys
large, head, tail = int(sys.argv[1]), sys.argv[2], sys.argv[3]
data = sys.stdin.buffer
open(head, "wb").write(data.read(1536))
left = large
while left:
    chunk = data.read(min(left, 1 << 22))
    if not chunk or chunk.count(0) != len(chunk):
        sys.exit("the large member is not the expected zeros")
    left -= len(chunk)
open(tail, "wb").write(data.read())
' $large "$out/pax-large.tar.head" "$out/pax-large.tar.tail"
rm -f large.bin

cd "$out"
for f in *.tar *.tar.gz *.tgz; do
    tar -tvf "$f" > "$f.list"
done
# The listing of the whole archive, rebuilt sparse in the work folder.
python3 -c '
import sys
large, head, tail, whole = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
with open(whole, "wb") as f:
    f.write(open(head, "rb").read())
    f.seek(large, 1)
    f.write(open(tail, "rb").read())
' $large pax-large.tar.head pax-large.tar.tail "$work/pax-large.tar"
tar -tvf "$work/pax-large.tar" > pax-large.tar.list
