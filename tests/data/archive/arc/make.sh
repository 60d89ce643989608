#!/bin/sh
# Recreates the ARC listing fixtures of this folder and their listings
# (nomarch -lv); make-extract.sh makes the extraction fixtures beside them.
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

own="stored.arc crunched.arc squashed.arc packed.arc"
for f in $own; do rm -f "$out/$f" "$out/$f.list"; done
arc as "$out/stored.arc" alpha.txt beta.txt > /dev/null
arc a "$out/crunched.arc" beta.txt gamma.txt > /dev/null
arc aq "$out/squashed.arc" beta.txt gamma.txt > /dev/null
arc a "$out/packed.arc" runs.txt > /dev/null

cd "$out"
chmod 644 $own
for f in $own; do
    nomarch -lv "$f" > "$f.list"
done
