#!/bin/sh
# Recreates the Unix compress (.Z) fixture of this folder and its listing
# (gzip -lv, which reads .Z files too). Needs: compress (package ncompress).
. "$(dirname "$0")/../common.sh"

write_beta

rm -f "$out"/*.Z "$out"/*.list
compress -c beta.txt > "$out/beta.txt.Z"

cd "$out"
touch -d "$stamp" beta.txt.Z
gzip -lv beta.txt.Z > beta.txt.Z.list
