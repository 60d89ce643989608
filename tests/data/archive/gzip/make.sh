#!/bin/sh
# Recreates the gzip fixtures of this folder and their listings (gzip -lv).
# Needs: gzip.
. "$(dirname "$0")/../common.sh"

write_beta
touch -d "$stamp" beta.txt

rm -f "$out"/*.gz "$out"/*.list
# With the stored name "beta.txt" and the file's time.
gzip -9 -c beta.txt > "$out/stored-name.gz"
# -n: no stored name, time 0; a reader names the member after the file.
gzip -9 -n -c beta.txt > "$out/no-name.txt.gz"

cd "$out"
touch -d "$stamp" ./*.gz
for f in *.gz; do
    gzip -lvN "$f" > "$f.list"
done
