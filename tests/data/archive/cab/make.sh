#!/bin/sh
# Recreates the cabinet fixtures of this folder and their listings
# (cabextract -l). Needs: gcab, cabextract.
. "$(dirname "$0")/../common.sh"

write_alpha
write_beta
write_docs
stamp_all

rm -f "$out"/*.cab "$out"/*.list
# -c create, -n names without their folders, -z MSZIP compression.
gcab -c -n "$out/stored.cab" alpha.txt beta.txt
gcab -c -n -z "$out/mszip.cab" alpha.txt beta.txt
gcab -c -z "$out/folders.cab" alpha.txt docs/top.txt docs/sub/deep.txt

cd "$out"
for f in *.cab; do
    cabextract -l "$f" > "$f.list"
done
