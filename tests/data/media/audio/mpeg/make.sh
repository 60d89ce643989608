#!/bin/sh
# Makes the MPEG audio fixtures of the MPEG audio information reader tests with
# ffmpeg (libmp3lame for Layer III, its own mp2 encoder for Layer II) and
# ImageMagick (the cover picture). Each is 2.4 s of a tone at a low rate, so the
# files stay small and the playing time truncates to 2 s. ffmpeg runs
# bit-exact so no version text lands in a file. Run from anywhere:
#   sh tests/data/media/audio/mpeg/make.sh
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
exact="-fflags +bitexact -flags:a +bitexact -map_metadata -1"
# tone RATE: 2.4 s of 440 Hz at that sample rate.
tone() { echo "sine=frequency=440:sample_rate=$1:duration=2.4"; }

# Layer III, constant rate. LAME writes an "Info" header into the first frame
# unless told not to; without one the playing time comes from the file size.
ff -f lavfi -i "$(tone 32000)" -ac 2 $exact -c:a libmp3lame -b:a 32k -id3v2_version 0 \
    Mpeg-1-layer3-cbr-stereo-32k-info.mp3
ff -f lavfi -i "$(tone 32000)" -ac 2 $exact -c:a libmp3lame -b:a 32k -id3v2_version 0 -write_xing 0 \
    Mpeg-1-layer3-cbr-stereo-32k-noxing.mp3
ff -f lavfi -i "$(tone 8000)" -ac 1 $exact -c:a libmp3lame -b:a 8k -id3v2_version 0 \
    Mpeg-2.5-layer3-cbr-mono-8k-info.mp3

# Layer III, variable rate with a Xing header: MPEG-1, MPEG-2 and MPEG-2.5,
# mono and stereo, so the header sits at each of its places in the frame.
ff -f lavfi -i "$(tone 44100)" -ac 2 $exact -c:a libmp3lame -q:a 9 -id3v2_version 0 \
    Mpeg-1-layer3-vbr-stereo-44k-xing.mp3
ff -f lavfi -i "$(tone 32000)" -ac 1 $exact -c:a libmp3lame -q:a 9 -id3v2_version 0 \
    Mpeg-1-layer3-vbr-mono-32k-xing.mp3
ff -f lavfi -i "$(tone 22050)" -ac 2 $exact -c:a libmp3lame -q:a 9 -id3v2_version 0 \
    Mpeg-2-layer3-vbr-stereo-22k-xing.mp3
ff -f lavfi -i "$(tone 16000)" -ac 1 $exact -c:a libmp3lame -q:a 9 -id3v2_version 0 \
    Mpeg-2-layer3-vbr-mono-16k-xing.mp3
ff -f lavfi -i "$(tone 11025)" -ac 1 $exact -c:a libmp3lame -q:a 9 -id3v2_version 0 \
    Mpeg-2.5-layer3-vbr-mono-11k-xing.mp3

# Layer II, constant rate: MPEG-1 and MPEG-2 (whose Layer II frames keep the
# MPEG-1 length factor).
ff -f lavfi -i "$(tone 32000)" -ac 1 $exact -c:a mp2 -b:a 32k -f mp2 Mpeg-1-layer2-cbr-mono-32k.mp2
ff -f lavfi -i "$(tone 16000)" -ac 1 $exact -c:a mp2 -b:a 16k -f mp2 Mpeg-2-layer2-cbr-mono-16k.mp2

# An ID3v2.3 tag with a cover picture of noise in front of constant-rate
# frames without an Info header: the picture's bytes are full of frame syncs,
# and the playing time counts the audio bytes only.
convert -size 48x48 xc: +noise Random -depth 8 "$work/cover.png"
ff -f lavfi -i "$(tone 32000)" -i "$work/cover.png" -map 0:a -map 1:v -ac 2 $exact \
    -c:a libmp3lame -b:a 32k -write_xing 0 -c:v copy -id3v2_version 3 \
    -metadata title="Cover Title" -metadata artist="Cover Artist" -metadata album="Cover Album" \
    -metadata date=1998 -metadata track=4 -metadata genre="Jazz" \
    -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" \
    Mpeg-1-layer3-cbr-cover-art-id3v2.mp3
# Both tags, ID3v1 read first; the title is part of the file name.
ff -f lavfi -i "$(tone 32000)" -ac 1 $exact -c:a libmp3lame -b:a 32k -id3v2_version 3 -write_id3v1 1 \
    -metadata title="Tagged" -metadata artist="Both Artist" -metadata album="Both Album" \
    -metadata date=2004 -metadata track=7 -metadata genre="Rock" \
    Mpeg-1-layer3-cbr-mono-Tagged-id3v1-id3v2.mp3

# Constant rate by the lame program itself: 128 kbit/s at 44.1 kHz, 1.1 s of
# silence (raw 16-bit stereo zeros), so its Info frame is of the stream's own
# rate and the frame count it holds leaves that frame out.
head -c 194040 /dev/zero | lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian \
    -m j -b 128 --cbr - Mpeg-1-layer3-cbr-stereo-44k-128k-lame-info.mp3
