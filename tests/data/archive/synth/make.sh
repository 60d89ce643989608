#!/bin/sh
# Recreates the synthetic fixtures of this folder (make_synthetic.py, standard
# library only) and lists each one with a Debian reader that understands it.
# Needs for the listings: unar (lsar), unace, arj, lhasa, cabextract, 7zz (7zip), nomarch,
# unzip, bsdtar (libarchive-tools), gzip, faketime.
# No listing: stored.ha, stored.bh and installshield.z (no Debian reader; the
# HA and BH headers are written from the format description, field by field),
# multivol.c00 and tailvol.c00 (unace lists them only from their .ace, whose listing
# covers them), and the files that are no archives: pkg5.bin, zeros-20.bin,
# zip-19-bytes.zip, postscript.ps, stub-only.exe.
set -eu
cd "$(dirname "$0")"
export TZ=UTC LC_ALL=C

rm -f ./*.list
python3 make_synthetic.py
# Listings that show the archive file's own time see a fixed one.
touch -d '2021-03-04 05:06:08' ./*.rar ./*.r0? ./*.ace ./*.c0? ./*.zoo ./*.arc ./*.pak \
    ./*.cab ./*.exe ./*.lzh ./*.zip ./*.gz ./*.ha ./*.bh ./*.z ./*.bin ./*.ps

list() {
    tool=$1
    shift
    for f in "$@"; do
        case $tool in
        lsar) lsar -l "$f" ;;
        # unace asks before each further volume: answer "Always".
        unace) yes A | timeout 20 unace l "$f" ;;
        arj) arj v "$f" ;;
        lhasa) NO_FAKE_STAT=1 faketime -f '2021-03-05 10:20:30' lhasa v "$f" ;;
        cabextract) cabextract -l "$f" ;;
        unzip) unzip -Z -l "$f" || [ $? -eq 1 ] ;; # 1: bytes before the archive
        gzip) gzip -lvN "$f" ;;
        esac > "$f.list" 2>&1
    done
}

list lsar stored.rar unix-host.rar oldvol.rar oldvol.r00 oldvol.r01 newvol.part1.rar \
    newvol.part2.rar rar-at-image-end.exe scan-rar.exe stored.zoo arc-folder.arc \
    pak-distilled.pak pak-sfx-8601.exe
list unace stored.ace multivol.ace tailvol.ace scan-ace.exe
list arj arj-at-image-end.exe scan-arj.exe
list lhasa lha-sfx-1945.exe scan-lha.exe macbinary.lzh
list cabextract set1.cab scan-cab.exe
list unzip zip-sfx-7612.exe zip-sfx-25661.exe zip-after-stub.exe spanned-marker.zip
list gzip extra-field.gz
# lsar's self-extractor search passes over the crunched first member:
# nomarch lists the ARC archive behind the stub.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tail -c +6675 arc-sfx-6674.exe > "$work/arc-sfx.arc"
nomarch -lv "$work/arc-sfx.arc" > arc-sfx-6674.exe.list
# bsdtar reads the local headers that follow the stub.
tail -c +17001 scan-zip-noend.exe | bsdtar -tvf - > scan-zip-noend.exe.list 2>/dev/null ||
    true # bsdtar lists every member, then fails on the missing directory
# cabextract joins a cabinet with the others of its set found beside it, and
# then leaves out every member of the folder the next cabinet continues that
# the first cabinet does not name: c.txt, whose whole data lies in set2.cab
# and which 7-Zip lists and extracts. The whole set is listed with 7-Zip, and
# set2.cab with cabextract where set1.cab is not beside it (its own records).
7zz l set1.cab | sed -n '/^Listing archive:/,$p' > set1.cab.7z.list
cp set2.cab "$work/"
(cd "$work" && cabextract -l set2.cab) > set2.cab.list 2>&1
