#!/bin/sh
# Makes the image fixtures of the image reader tests with ImageMagick (Debian's
# "imagemagick" package). Every picture is 7x5 pixels of 35 different colours
# (red across, green down, blue along the diagonal); the file names say what
# each file holds. The files are written beside this script.
set -eu
cd "$(dirname "$0")"

src() {
    convert -size 7x5 xc:black -channel R -fx 'i/6' -channel G -fx 'j/4' -channel B -fx '(i+j)/10' \
        +channel -depth 8 -strip "$@"
}
# The same picture in grey.
grey() { src -colorspace Gray -type Grayscale "$@"; }
# The same picture with half-transparent pixels.
alpha() { src -alpha set -channel A -evaluate set 50% +channel "$@"; }

# BMP in its three header forms.
src -type TrueColor BMP3:Image-bmp-info-24.bmp # BITMAPINFOHEADER, 40 bytes
src -type TrueColor BMP:Image-bmp-v5-24.bmp    # BITMAPV5HEADER, 124 bytes
src -type TrueColor BMP2:Image-bmp-os2-24.bmp  # OS/2 BITMAPCOREHEADER, 12 bytes
# A top-down BMP: ImageMagick writes bottom-up rows only, so the rows of a
# flipped copy are kept and its height (32 bits at offset 22) is made -5.
src -type TrueColor -flip BMP3:Image-bmp-topdown-24.bmp
printf '\373\377\377\377' | dd of=Image-bmp-topdown-24.bmp bs=1 seek=22 conv=notrunc status=none

# GIF with a 4-colour global colour table (2 bits).
src -colors 4 GIF:Image-gif-4colours.gif

# PNG in four colour types.
grey PNG:Image-png-grey-8.png                       # colour type 0, depth 8
src -type TrueColor PNG24:Image-png-rgb-24.png      # colour type 2, depth 8
src -colors 4 -define png:bit-depth=2 PNG8:Image-png-palette-2.png         # colour type 3, depth 2
alpha -type TrueColorAlpha PNG32:Image-png-rgba-32.png # colour type 6, depth 8

# PCX, 24 bits in three planes.
src -type TrueColor PCX:Image-pcx-24.pcx

# TIFF, both byte orders, and a grey one with a single sample.
src -type TrueColor -compress None -endian LSB TIFF:Image-tiff-le-24.tif
src -type TrueColor -compress None -endian MSB -define tiff:endian=msb TIFF:Image-tiff-be-24.tif
grey -compress None -endian LSB TIFF:Image-tiff-le-grey-8.tif

# TGA: uncompressed true colour, RLE true colour with and without alpha,
# colour-mapped and grey. ImageMagick 6 writes the rows top first whatever the
# picture's orientation, and sets the top-origin bit only for "-orient TopLeft";
# so the top-origin files say TopLeft, and the bottom-up ones (the TGA default,
# descriptor bit 5 clear) are written from a flipped copy.
src -type TrueColor -compress None -flip TGA:Targa-truecolour-24.tga
src -type TrueColor -compress RLE -orient TopLeft TGA:Targa-rle-24.tga
alpha -type TrueColorAlpha -compress RLE -orient TopLeft TGA:Targa-rle-32.tga
src -colors 4 -type Palette -compress None -flip TGA:Targa-palette-8.tga
grey -compress None -orient TopLeft TGA:Targa-grey-8.tga

# JPEG: baseline, progressive and grey.
src -quality 90 -interlace None JPEG:Jpeg-baseline.jpg
src -quality 90 -interlace Plane JPEG:Jpeg-progressive.jpg
grey -quality 90 JPEG:Jpeg-grey.jpg
