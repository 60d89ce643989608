#!/bin/sh
# Recreates the ARC fixtures of this folder and their listings (nomarch -lv).
# Needs: arc, nomarch. ARC picks the method per member itself: inputs are
# chosen so that the first member is stored (2), crunched (8), squashed (9)
# or packed (3).
. "$(dirname "$0")/../common.sh"

write_alpha
write_beta
cp beta.txt gamma.txt
printf 'Gamma ends differently.\n' >> gamma.txt
{
    printf 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa'
    printf 'bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbcccccccccccccccccccccccccd\n'
} > runs.txt
stamp_all

rm -f "$out"/*.arc "$out"/*.list
arc as "$out/stored.arc" alpha.txt beta.txt > /dev/null
arc a "$out/crunched.arc" beta.txt gamma.txt > /dev/null
arc aq "$out/squashed.arc" beta.txt gamma.txt > /dev/null
arc a "$out/packed.arc" runs.txt > /dev/null

cd "$out"
chmod 644 ./*.arc
for f in *.arc; do
    nomarch -lv "$f" > "$f.list"
done
