#!/bin/sh
# Makes the AVI fixtures of the AVI header reader tests with ffmpeg: tiny test
# patterns at low quality, so each file stays a few kilobytes. ffmpeg runs
# bit-exact so no version text lands in a file. Run from anywhere:
#   sh tests/data/media/video/make.sh
set -eu
cd "$(dirname "$0")"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
exact="-fflags +bitexact -flags +bitexact -map_metadata -1"

# 64x48, 25 fps, 2 s of MPEG-4 Visual: 50 frames.
ff -f lavfi -i testsrc=size=64x48:rate=25:duration=2 $exact -c:v mpeg4 -q:v 31 \
    Avi-mpeg4-64x48-25fps-2s.avi
# 32x24, 10 fps, 1.5 s of Motion JPEG: 15 frames, a playing time that truncates.
ff -f lavfi -i testsrc=size=32x24:rate=10:duration=1.5 $exact -c:v mjpeg -q:v 31 \
    Avi-mjpeg-32x24-10fps-1.5s.avi
# 48x32, 12 fps, 1 s of MPEG-4 beside a 1 s 4 kHz mono PCM sound stream: a second
# stream list inside the header list, and a "movi" list that holds both.
ff -f lavfi -i testsrc=size=48x32:rate=12:duration=1 -f lavfi -i sine=frequency=440:sample_rate=4000:duration=1 \
    $exact -c:v mpeg4 -q:v 31 -c:a pcm_u8 -ac 1 Avi-mpeg4-pcm-48x32-12fps-1s.avi
