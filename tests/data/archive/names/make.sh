#!/bin/sh
# Recreates the fixtures of member names written on Linux and their listings.
# Needs: zip, unzip (zipinfo), arj, arc, jlha (package jlha-utils), lhasa,
# faketime. ARC's listing is its own (arc v): nomarch strips the top bit of
# every name byte.
# Every archive holds "tree/ñandú.txt" as the tools store a Linux name: zip,
# arj and arc the file system's bytes (UTF-8 here), jlha Latin-1. Besides it:
# "tree/böse.txt", named in Latin-1 bytes on disk (zip, arj, arc; jlha cannot
# read such a name), and "tree/Malmö/x.txt", whose folder jlha stores as
# Latin-1 followed by its 0xFF separator. ARJ keeps Unix modes: ñandú.txt is
# group-writable (0664), böse.txt read-only (0444).
. "$(dirname "$0")/../common.sh"

now='2021-03-05 10:20:30'
nandu=$(printf '\303\261and\303\272.txt') # "ñandú.txt" in UTF-8
malmo=$(printf 'Malm\303\266')            # "Malmö" in UTF-8
bose=$(printf 'b\366se.txt')              # "böse.txt" in Latin-1
arger=$(printf '\204rger.txt')            # "ärger.txt" in code page 437

mkdir -p "tree/$malmo"
printf 'A name from a Linux file system.\n' > "tree/$nandu"
printf 'Latin-1 on disk.\n' > "tree/$bose"
printf 'Inside a folder.\n' > "tree/$malmo/x.txt"
printf 'A DOS name.\n' > "$arger"
chmod 664 "tree/$nandu"
chmod 444 "tree/$bose"
stamp_all

rm -f "$out"/*.zip "$out"/*.arj "$out"/*.arc "$out"/*.lzh "$out"/*.list
# Info-ZIP on Linux: host 3 (Unix), no UTF-8 flag, no Unicode path field,
# under any locale. -X leaves out the Unix extra fields.
zip -q -X -r "$out/unix.zip" tree
# ARJ without -2d: host OS UNIX; -a1 takes folders too; -j$ leaves out
# access and creation times. faketime fixes the archive's own time.
NO_FAKE_STAT=1 faketime -f "$now" arj a -a1 -r -j\$ -y -i "$out/unix.arj" tree > /dev/null
# -2d: host OS MS-DOS, the name's bytes as they are (code page 437 here).
NO_FAKE_STAT=1 faketime -f "$now" arj a -2d -j\$ -y -i "$out/dos.arj" "$arger" > /dev/null
# ARC keeps names without their folder; it has no host field.
arc a "$out/names.arc" "tree/$nandu" "tree/$bose" > /dev/null
chmod 644 "$out/names.arc"
# jlha: OS id 0 ("generic"); header levels 1 and 2 keep folders in extended
# headers with 0xFF separators. Java reads the file system's names as UTF-8
# only under a UTF-8 locale.
jlha_add() {
    LC_ALL=C.UTF-8 jlha "a$1" "$out/$2" "tree/$nandu" "tree/$malmo" > /dev/null
}
jlha_add 1 level1.lzh
jlha_add 2 level2.lzh

cd "$out"
unzip -Z -l unix.zip > unix.zip.list
for f in *.arj; do
    arj v "$f" > "$f.list"
done
arc v names.arc > names.arc.list
touch -d "$stamp" ./*.lzh
for f in *.lzh; do
    NO_FAKE_STAT=1 faketime -f "$now" lhasa v "$f" > "$f.list"
done
