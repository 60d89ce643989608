#!/bin/sh
# Recreates the cabinet listing fixtures of this folder and their listings
# (cabextract -l); make-extract.sh makes the extraction fixtures beside them. Needs: gcab, cabextract.
. "$(dirname "$0")/../common.sh"

write_alpha
write_beta
write_docs
stamp_all

own="stored.cab mszip.cab folders.cab"
for f in $own; do rm -f "$out/$f" "$out/$f.list"; done
# -c create, -n names without their folders, -z MSZIP compression.
gcab -c -n "$out/stored.cab" alpha.txt beta.txt
gcab -c -n -z "$out/mszip.cab" alpha.txt beta.txt
gcab -c -z "$out/folders.cab" alpha.txt docs/top.txt docs/sub/deep.txt

cd "$out"
for f in $own; do
    cabextract -l "$f" > "$f.list"
done
