#!/bin/sh
# Recreates the ZOO fixtures of this folder with make_zoo.py (our own writer:
# no Debian tool writes ZOO) and records in expected.tsv what unar extracts
# from those it reads. Needs: python3, jlha (jlha-utils: the -lh5- members of
# method 2), lhasa (checks them), unar and lsar (unar).
. "$(dirname "$0")/../common.sh"

write_alpha
write_beta
# 100,000 bytes of text drawn from a few words: the LZW table fills and clears.
python3 -c '
import random
random.seed(2022)
words = "zoo ledger disk folder catalogue volume archive the of and alpha beta".split()
out, n = [], 0
while n < 100000:
    line = " ".join(random.choice(words) for _ in range(random.randint(3, 12))) + "\n"
    out.append(line); n += len(line)
open("long.txt", "w").write("".join(out)[:100000])'
stamp_all
jlha a0o5q "$work/lh5.lzh" beta.txt long.txt
lhasa t "$work/lh5.lzh" > /dev/null
rm -f "$out"/*.zoo "$out"/*.list
python3 "$out/make_zoo.py" "$out" "$work/lh5.lzh"

cd "$out"
: > expected.tsv
for f in lzw lh5 deleted; do
    rm -rf "$work/x"
    unar -q -o "$work/x" -D "$f.zoo" > /dev/null
    lsar -l "$f.zoo" > "$f.zoo.list"
    (cd "$work/x" && find . -type f | sort | while read -r p; do
        p=${p#./}
        cmp "$p" "$work/$p" # unar gives back the input
        printf '%s\t%s\t%s\t%s\t%s\n' "$f.zoo" "$p" "$(stat -c %s "$p")" \
            "$(sha256sum "$p" | cut -d' ' -f1)" "$(date -r "$p" '+%Y-%m-%d %H:%M:%S')"
    done) >> expected.tsv
done
