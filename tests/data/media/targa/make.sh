#!/bin/sh
# Makes the TGA fixtures of the TGA picture tests with ImageMagick 6 (Debian's
# "imagemagick" package) and checks the TGA writer against it.
#
# One 13x6 picture (a run of one colour, varied pixels with three alpha
# levels, a gradient) in every image type, depth and origin the decoder takes:
#   NAME.tga    the file ImageMagick writes
#   NAME.rgba   ImageMagick's own decode of NAME.tga (convert NAME.tga rgba:-);
#               ImageMagick 6 gives the rows in stored order and keeps the
#               origin as the picture's orientation, so -auto-orient applies it
#   NAME.saved  NAME.tga loaded and written back by sorvane_targa_resave;
#               ImageMagick must read it as the same pixels (the alpha too when
#               the written file has it), else this script fails.
# The tests compare with these files only and need no ImageMagick.
#
# Usage: make.sh [path of sorvane_targa_resave]
#        (default: build/release/tools/sorvane_targa_resave of the checkout)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
resave=${1:-$here/../../../../build/release/tools/sorvane_targa_resave}
[ -x "$resave" ] || { echo "make.sh: build sorvane_targa_resave first" >&2; exit 1; }
cd "$here"
im=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The source picture, written as a PAM file.
python3 - "$tmp/src.pam" <<'PY'
import sys
w, h = 13, 6
px = []
for y in range(h):
    for x in range(w):
        if x < 5:
            px.append((200, 30, 40, 255))  # a run
        elif x < 9:
            v = (x * 37 + y * 101) % 256
            px.append((v, 255 - v, (v * 7) % 256, (0, 128, 255)[(x + y) % 3]))
        else:
            px.append((40 * y % 256, 20 * x % 256, 90, 255 if y % 2 else 64))
with open(sys.argv[1], "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h))
    f.write(bytes(v for p in px for v in p))
PY

# make NAME OPTIONS...: NAME.tga from the source with OPTIONS. "-orient
# TopLeft" sets the top-origin bit; without it the rows are bottom-up.
make() {
    name=$1
    shift
    "$im" "$tmp/src.pam" "$@" -strip "TGA:$name.tga"
    "$im" "$name.tga" -auto-orient -depth 8 "rgba:$name.rgba"
    "$resave" "$name.tga" "$name.saved"
    "$im" "TGA:$name.saved" -auto-orient -depth 8 "rgba:$tmp/saved.rgba"
    # The written file holds alpha when its descriptor (byte 17) gives alpha bits.
    if [ "$(od -An -tu1 -j17 -N1 "$name.saved" | tr -d ' ')" -ne 0 ]; then
        cmp "$name.rgba" "$tmp/saved.rgba"
    else
        # RGB only: every fourth byte (alpha) left out on both sides.
        od -An -v -tu1 -w4 "$name.rgba" | cut -c1-12 >"$tmp/a"
        od -An -v -tu1 -w4 "$tmp/saved.rgba" | cut -c1-12 >"$tmp/b"
        cmp "$tmp/a" "$tmp/b"
    fi
}

noalpha="-alpha off"
make type1-8-bottom $noalpha -type Palette -compress None
make type1-8-top $noalpha -type Palette -compress None -orient TopLeft
make type1-8-alphamap -type PaletteAlpha -compress None
make type9-8-bottom $noalpha -type Palette -compress RLE
make type9-8-top $noalpha -type Palette -compress RLE -orient TopLeft
make type2-16-bottom $noalpha -depth 5 -compress None
make type2-16-alpha -depth 5 -compress None -orient TopLeft
make type2-24-bottom $noalpha -type TrueColor -compress None
make type2-24-top $noalpha -type TrueColor -compress None -orient TopLeft
make type2-32-bottom -type TrueColorAlpha -compress None
make type2-32-top -type TrueColorAlpha -compress None -orient TopLeft
make type3-8-bottom $noalpha -type Grayscale -compress None
make type3-8-top $noalpha -type Grayscale -compress None -orient TopLeft
make type10-16-bottom $noalpha -depth 5 -compress RLE
make type10-24-bottom $noalpha -type TrueColor -compress RLE
make type10-24-top $noalpha -type TrueColor -compress RLE -orient TopLeft
make type10-32-bottom -type TrueColorAlpha -compress RLE
make type10-32-top -type TrueColorAlpha -compress RLE -orient TopLeft
make type11-8-bottom $noalpha -type Grayscale -compress RLE
make type11-8-top $noalpha -type Grayscale -compress RLE -orient TopLeft
echo "made and checked $(ls ./*.tga | wc -l) TGA fixtures"
