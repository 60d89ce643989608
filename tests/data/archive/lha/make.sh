#!/bin/sh
# Recreates the LHA listing fixtures of this folder and their listings
# (lhasa v); make-extract.sh makes the extraction fixtures beside them.
# Needs: jlha (package jlha-utils), lhasa, faketime.
# Names: level<header level>-<method>.lzh.
. "$(dirname "$0")/../common.sh"

write_alpha
write_beta
write_docs
stamp_all

rm -f "$out"/level*.lzh "$out"/level*.lzh.list
# jlha command letters: a add, 0/1/2 header level, z store (lh0),
# o5/o6/o7 method lh5/lh6/lh7.
add() {
    options=$1
    name=$2
    shift 2
    jlha "a$options" "$out/$name" "$@" > /dev/null
}
add 0z level0-lh0.lzh alpha.txt beta.txt
add 0o5 level0-lh5.lzh alpha.txt beta.txt
add 1z level1-lh0.lzh alpha.txt beta.txt
add 1o6 level1-lh6.lzh alpha.txt beta.txt
add 2o5 level2-lh5.lzh alpha.txt beta.txt
add 2o7 level2-lh7.lzh alpha.txt beta.txt
add 1o5 level1-folders.lzh docs
add 2o5 level2-folders.lzh docs

cd "$out"
# lhasa's total line shows the archive's own time and its date format
# depends on today: both are fixed.
touch -d "$stamp" ./level*.lzh
for f in level*.lzh; do
    NO_FAKE_STAT=1 faketime -f '2021-03-05 10:20:30' lhasa v "$f" > "$f.list"
done
