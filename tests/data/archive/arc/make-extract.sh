#!/bin/sh
# Recreates the ARC and PAK extraction fixtures of this folder and
# expected.tsv, the reference the extraction tests compare with: for each
# fixture (these, the listing fixtures make.sh writes here, and those of
# ../synth that hold ARC or PAK) the
# files the reference tools extracted, one line each: fixture, path, size,
# SHA-256, modification time (the DOS stamp) and 0 (never read-only).
# arc makes the members of methods 2, 3, 4, 8 and 9; make_arc.py writes
# methods 1 and 3 to 7, folders, PAK and a self-extractor. Every fixture is
# tested by arc (where it reads the layout), nomarch and unar, and what
# nomarch and unar extract must agree.
# Needs: arc, nomarch, unar, python3.
. "$(dirname "$0")/../common.sh"

write_alpha
write_beta
# About 30 KB of text over 700 random words: fills the crunch table.
python3 - <<'PY'
import random
random.seed(20)
words = ["".join(random.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(random.randint(2, 9)))
         for _ in range(700)]
lines = [" ".join(random.choice(words) for _ in range(10)) for _ in range(500)]
open("words.txt", "w").write("\n".join(lines) + "\n")
# A skewed alphabet with runs and 0x90 bytes: arc squeezes it (method 4).
random.seed(4)
out = bytearray()
while len(out) < 6000:
    c = random.choice(b"eeeeeeeetttaaoinsh \n\x90")
    out += bytes([c]) * (random.randint(3, 12) if random.random() < 0.05 else 1)
open("skew.txt", "wb").write(bytes(out))
PY
# 32 MiB of zeros: squashed, its strings grow past 4,095 bytes.
head -c 33554432 /dev/zero > zeros.bin
stamp_all

for f in squeezed.arc longrun.arc old-stored.arc hand-packed.arc hand-squeezed.arc crunch5.arc \
    crunch6.arc crunch7.arc folders.arc mixed.pak sfx-6674.exe expected.tsv; do
    rm -f "$out/$f"
done
arc a "$out/squeezed.arc" skew.txt > /dev/null
arc aq "$out/longrun.arc" zeros.bin > /dev/null
chmod 644 "$out"/squeezed.arc "$out"/longrun.arc
python3 "$out/make_arc.py" "$out" "$out/squashed.arc"
nomarch -lv "$out/squeezed.arc" | grep -q 'Squeezed'
nomarch -lv "$out/longrun.arc" | grep -q 'Squashed'

# Each fixture is tested by the tools that read it, and extracted by one
# (or two, which must then agree) into expected.tsv.
check() { # fixture, then the tools that must pass it
    f=$1
    shift
    for tool in "$@"; do
        case $tool in
        arc) arc t "$f" | grep -q 'No errors detected' ;;
        nomarch) nomarch -t "$f" > /dev/null ;;
        unar) lsar -t "$f" | grep -q ' 0 failed' ;;
        esac
    done
}
reference() { # fixture, name in expected.tsv, extracting tool
    rm -rf ref
    mkdir ref
    case $3 in
    nomarch) (cd ref && nomarch -U "$1" > /dev/null) ;;
    arc) (cd ref && arc x "$1" > /dev/null 2>&1) ;;
    unar) unar -q -D -o ref -f "$1" > /dev/null || true ;;
    esac
    (cd ref && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r p; do
        printf '%s\t%s\t%s\t%s\t%s\t0\n' "$2" "$p" "$(stat -c %s "$p")" \
            "$(sha256sum "$p" | cut -d' ' -f1)" "$stamp"
    done)
}

cd "$out"
check squeezed.arc arc nomarch # unar fails arc's own squeezed member
check longrun.arc arc nomarch  # unar does not take this archive for ARC
for f in old-stored.arc hand-packed.arc hand-squeezed.arc crunch5.arc crunch6.arc; do
    check $f arc nomarch unar
done
check crunch7.arc arc unar # nomarch has no method 7
check folders.arc unar
check sfx-6674.exe unar
# The distilled member is refused by all; the others pass.
lsar -t mixed.pak | grep -q '3 passed, 1 failed'

: > "$work/all.tsv"
same() { # fixture, then two tools whose extractions must agree
    (cd "$work" && reference "$out/$1" "$1" "$2" > a.tsv && reference "$out/$1" "$1" "$3" > b.tsv &&
        cmp a.tsv b.tsv && cat a.tsv >> all.tsv)
}
for f in squeezed.arc longrun.arc stored.arc packed.arc crunched.arc squashed.arc; do
    same $f nomarch arc
done
for f in old-stored.arc hand-packed.arc hand-squeezed.arc crunch5.arc crunch6.arc; do
    same $f nomarch unar
done
same sfx-6674.exe arc arc
same ../synth/arc-sfx-6674.exe arc arc
same crunch7.arc unar unar
same folders.arc unar unar
same ../synth/arc-folder.arc unar unar
# PAK: nomarch skips the distilled members.
same mixed.pak nomarch nomarch
same ../synth/pak-distilled.pak nomarch nomarch
mv "$work/all.tsv" expected.tsv
