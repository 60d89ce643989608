// The media block writers of sound files (ReadWAV, ReadOGG and ReadWMA are
// declared with the others in MediaWriters.h) and the pieces the MP3 writer
// shares with them: the field layouts of the Audio and Music blocks and the
// year rules of the Ogg Vorbis and WMA writers.
#pragma once

#include "catalogue/metadata/MediaWriters.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// The channel digit: the first character of the decimal text of the count.
char DigitoCanales(std::int64_t channels);

// The fields of an Audio block (without its brackets): duration in seconds (3),
// the channel digit, the sample rate (3) and the bits per sample (1).
std::string CamposAudio(std::int64_t seconds, std::int64_t channels, std::int64_t sampleRate,
                        std::int64_t bitsPerSample);

// The fields of a Music block (without its brackets): duration (3), the channel
// digit, sample rate (3), bit rate in kbit/s (2), year (2), track (2) and the
// genre text, its control characters blanked; an empty genre adds nothing.
// A value beyond 32 bits is stored as the nearest 32-bit value.
std::string CamposMusica(std::int64_t seconds, std::int64_t channels, std::int64_t sampleRate,
                         std::int64_t bitRate, std::int64_t year, std::int64_t track,
                         std::string_view genre);

// The year of an Ogg Vorbis DATE comment: a date that begins with four digits
// ("2003", "2003-05-01") gives them; otherwise its last four characters
// ("01/05/2003"); a blank date gives 0. Anything else logs
// "ReadOGG YEAR failure on " + date + ": " + the reason and gives 0.
std::int32_t ReadOGGYear(std::string_view date, const MediaErrorSink& errors);

// The year of a WMA year text: 0 when blank; the text as an integer (leading
// blanks accepted, trailing ones not), 0 when it is not one.
std::int32_t ReadWMAYear(std::string_view year);

} // namespace sorvane
