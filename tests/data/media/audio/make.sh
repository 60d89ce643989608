#!/bin/sh
# Makes the audio fixtures of the metadata reader tests. Every file is made by
# a real tool (sox, ffmpeg with libmp3lame, libvorbis and wmav2); the tones are
# short and the rates low so each file stays small. ffmpeg runs bit-exact so
# no version text lands in a file. Run from anywhere:
#   sh tests/data/media/audio/make.sh
set -eu
cd "$(dirname "$0")"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
tone() { echo "sine=frequency=440:sample_rate=$1:duration=$2"; }
exact="-fflags +bitexact -flags:a +bitexact -map_metadata -1"

# WAV, by sox (-R: no random dither, so every run gives the same bytes): a
# "data" chunk right after "fmt " for 16-bit PCM; a "fact" chunk for the float
# and the 24-bit files, the latter WAVE_FORMAT_EXTENSIBLE.
sox -R -n -r 8000 -c 1 -b 16 wav-pcm16-mono-8k.wav synth 0.2 sine 440
sox -R -n -r 8000 -c 1 -b 16 wav-pcm16-mono-8k-1500ms.wav synth 1.5 sine 440
sox -R -n -r 8000 -c 1 -b 32 -e floating-point wav-float32-mono-8k.wav synth 0.2 sine 440
sox -R -n -r 8000 -c 2 -b 24 wav-pcm24-stereo-8k.wav synth 0.2 sine 440
sox -R -n -r 8000 -c 1 -b 8 -e unsigned-integer wav-pcm8-mono-8k.wav synth 0.2 sine 440
sox -R -n -r 8000 -c 3 -b 16 wav-pcm16-3ch-8k.wav synth 0.05 sine 440
# 44.1 kHz stereo 16-bit, by ffmpeg, which writes a "LIST" chunk between
# "fmt " and "data". A quarter of a second keeps it under 50 KB.
ff -f lavfi -i "$(tone 44100 0.25)" -ac 2 $exact -c:a pcm_s16le \
    -metadata title="Tone" -metadata artist="Sorvane" wav-pcm16-stereo-44k-list.wav

# MP3, by ffmpeg with libmp3lame; also used by the MPEG audio reader's tests.
# mp3tagged OUTPUT TITLE OPTIONS...: the common tags, the title given.
mp3tagged() {
    out=$1 title=$2
    shift 2
    ff "$@" -metadata title="$title" -metadata artist="Test Artist" -metadata album="Test Album" \
        -metadata date=2004 -metadata track=7/12 -metadata genre=Rock "$out"
}
mp3tagged cbr-stereo-id3v1-id3v2.3.mp3 "Cbr Stereo" -f lavfi -i "$(tone 44100 0.5)" -ac 2 \
    $exact -c:a libmp3lame -b:a 128k -id3v2_version 3 -write_id3v1 1 -metadata comment="V1 comment"
# ffmpeg writes an ID3v1 tag only beside an ID3v2 one; the ID3v1-only file is
# that file with its ID3v2 tag (10 header bytes + the synchsafe size) cut off.
set -- $(od -An -tu1 -j6 -N4 cbr-stereo-id3v1-id3v2.3.mp3)
tail -c +$(($1 * 2097152 + $2 * 16384 + $3 * 128 + $4 + 11)) cbr-stereo-id3v1-id3v2.3.mp3 \
    >cbr-stereo-id3v1.mp3
mp3tagged cbr-mono-22k-id3v2.3.mp3 "Cbr Mono" -f lavfi -i "$(tone 22050 0.5)" -ac 1 $exact \
    -c:a libmp3lame -b:a 32k -id3v2_version 3
ff -f lavfi -i "$(tone 44100 0.5)" -ac 2 $exact -c:a libmp3lame -q:a 4 \
    -id3v2_version 4 -metadata title="Vbr Ünïcödé ÿ" -metadata artist="Test Artist" \
    -metadata album="Test Album" -metadata date=2011-02-03 -metadata track=3 \
    -metadata genre="(17)Rock" vbr-stereo-id3v2.4.mp3
ff -f lavfi -i "$(tone 22050 0.5)" -ac 1 $exact -c:a libmp3lame -q:a 6 \
    -id3v2_version 3 -metadata title="Vbr Mono ÿ" -metadata artist="Test Artist" \
    vbr-mono-22k-id3v2.3-utf16.mp3
ff -f lavfi -i "$(tone 44100 0.5)" -ac 2 $exact -c:a libmp3lame -b:a 128k \
    -id3v2_version 0 cbr-stereo-notag.mp3

# Ogg Vorbis, by ffmpeg with libvorbis.
ff -f lavfi -i "$(tone 8000 1.2)" -ac 1 $exact -c:a libvorbis -q:a 0 \
    -metadata TITLE="Ogg Title" -metadata ARTIST="Ogg Artist" -metadata ALBUM="Ogg Album" \
    -metadata TRACKNUMBER=3/12 -metadata DATE=2003-05-01 -metadata GENRE="Jazz" \
    -metadata COMMENT="A comment" vorbis-mono-8k-fulldate.ogg
ff -f lavfi -i "$(tone 22050 1.2)" -ac 2 $exact -c:a libvorbis -q:a 0 \
    -metadata TITLE="Canción" -metadata PERFORMER="Intérprete" -metadata DATE=1999 \
    -metadata DESCRIPTION="Only a description" -metadata TRACKNUMBER=5 \
    vorbis-stereo-22k-year.ogg
ff -f lavfi -i "$(tone 8000 1.2)" -ac 1 $exact -c:a libvorbis -q:a 0 vorbis-mono-8k-notags.ogg

# WMA, by ffmpeg's wmav2 encoder in an ASF file. ffmpeg writes title and
# artist to the content description, album, genre and track to the extended
# one as "WM/AlbumTitle", "WM/Genre" and "WM/TrackNumber"; a year goes in
# under the name Windows Media Player gives it.
ff -f lavfi -i "$(tone 22050 1.2)" -ac 1 $exact -c:a wmav2 -b:a 32k \
    -metadata title="Wma Title" -metadata artist="Wma Artist" -metadata album="Wma Album" \
    -metadata WM/Year=2007 -metadata track=4 -metadata genre="Blues" \
    -metadata comment="Wma comment" wma-mono-22k-tags.wma
ff -f lavfi -i "$(tone 44100 0.6)" -ac 2 $exact -c:a wmav2 -b:a 64k \
    -metadata title="Título ÿ €" -metadata artist="Wma Artist" wma-stereo-44k-unicode.wma
ff -f lavfi -i "$(tone 22050 1.2)" -ac 1 $exact -c:a wmav2 -b:a 32k wma-mono-22k-notags.wma
