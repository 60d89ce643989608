// The media block writers of WAV, Ogg Vorbis and WMA files, the block fields
// of sound files, and the description that music files take from their tags.
#include "catalogue/metadata/AudioWriters.h"

#include "catalogue/format/PathText.h"
#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/ByteReader.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sorvane {

namespace {

// Widths of the fields of the Audio and Music blocks.
constexpr std::size_t kDurationWidth = 3, kSampleRateWidth = 3, kBitsWidth = 1, kBitRateWidth = 2,
                      kYearWidth = 2, kTrackWidth = 2;
constexpr std::size_t kYearDigits = 4;

// A value beyond 32 bits is stored as the nearest 32-bit value.
std::string NumberField(std::int64_t value, std::size_t width) {
    return MediaNumberField(std::clamp<std::int64_t>(value,
                                                     std::numeric_limits<std::int32_t>::min(),
                                                     std::numeric_limits<std::int32_t>::max()),
                            width);
}

// Seconds rounded to the nearest whole second, halves to even.
std::int64_t RoundedSeconds(double seconds) {
    if (!std::isfinite(seconds)) return 0;
    return static_cast<std::int64_t>(std::nearbyint(std::clamp(seconds, -9e18, 9e18)));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

char DigitoCanales(std::int64_t channels) {
    return std::to_string(channels)[0];
}

std::string CamposAudio(std::int64_t seconds, std::int64_t channels, std::int64_t sampleRate,
                        std::int64_t bitsPerSample) {
    std::string fields = NumberField(seconds, kDurationWidth);
    fields += DigitoCanales(channels);
    fields += NumberField(sampleRate, kSampleRateWidth);
    fields += NumberField(bitsPerSample, kBitsWidth);
    return fields;
}

std::string CamposMusica(std::int64_t seconds, std::int64_t channels, std::int64_t sampleRate,
                         std::int64_t bitRate, std::int64_t year, std::int64_t track,
                         std::string_view genre) {
    std::string fields = NumberField(seconds, kDurationWidth);
    fields += DigitoCanales(channels);
    fields += NumberField(sampleRate, kSampleRateWidth);
    fields += NumberField(bitRate, kBitRateWidth);
    fields += NumberField(year, kYearWidth);
    fields += NumberField(track, kTrackWidth);
    // The genre runs to the closing bracket, so it may hold no structural byte.
    fields += LimpiaControles(genre);
    return fields;
}

std::string DescripcionDeEtiquetas(std::string_view artist, std::string_view album,
                                   std::string_view title, std::string_view fileName) {
    auto shown = [&](std::string_view part) {
        return !part.empty() && fileName.find(part) == std::string_view::npos;
    };
    std::string description;
    if (shown(artist)) description += artist;
    if (shown(album)) {
        description += " [";
        description += album;
        description += "]";
    }
    if (shown(title)) {
        description += " ";
        description += title;
    }
    return description;
}

std::string LimpiaDescripcion(std::string_view description) {
    return LimpiaControles(TrimBlanks(description));
}

std::int32_t ReadOGGYear(std::string_view date, const MediaErrorSink& errors) {
    const std::string trimmed = TrimBlanks(date);
    if (trimmed.empty()) return 0;
    std::int32_t year = 0;
    // ISO dates lead with the year; older taggers wrote day and month first.
    if (trimmed.size() >= kYearDigits &&
        std::all_of(trimmed.begin(), trimmed.begin() + kYearDigits, IsDigit) &&
        (trimmed.size() == kYearDigits || !IsDigit(trimmed[kYearDigits])) &&
        ParseWholeNumber(std::string_view(trimmed).substr(0, kYearDigits), year))
        return year;
    const std::string_view last = text::LastChars(trimmed, kYearDigits);
    if (ParseWholeNumber(last, year)) return year;
    if (errors)
        errors("ReadOGG YEAR failure on " + std::string(date) + ": '" + std::string(last) +
               "' is not a valid integer value");
    return 0;
}

std::int32_t ReadWMAYear(std::string_view year) {
    if (TrimBlanks(year).empty()) return 0;
    std::int32_t value = 0;
    return ParseWholeNumber(year, value) ? value : 0;
}

std::string ReadWAV(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors) {
    return RunWriter("ReadWAV failure on ", path, errors, [&] {
        TWAVfile& wav = ReaderOf(readers.WavFile);
        if (!wav.ReadFromFile(path)) return std::string();
        if (!wav.Valid) throw EAbort();
        // Audio durations are truncated to whole seconds.
        const auto seconds = static_cast<std::int64_t>(wav.GetDuration());
        return MediaBracketed(
            CamposAudio(seconds, wav.Channels, wav.SampleRate, wav.BitsPerSample));
    });
}

std::string ReadOGG(MediaReaders& readers, const std::string& path, std::string& description,
                    const MediaErrorSink& errors) {
    description.clear();
    std::string block = RunWriter("ReadOGG failure on ", path, errors, [&] {
        TOggVorbis& ogg = ReaderOf(readers.OggFile);
        ogg.ReadFromFile(path);
        std::string fields;
        if (ogg.IsValid())
            fields =
                CamposMusica(RoundedSeconds(ogg.GetDuration()), ogg.Channels, ogg.SampleRate,
                             ogg.GetBitRate(), ReadOGGYear(ogg.Date, errors), ogg.Track, ogg.Genre);
        // The comments give a description also when the stream is not valid.
        description = DescripcionDeEtiquetas(ogg.Artist, ogg.Album, ogg.Title, MediaFileName(path));
        return MediaBracketed(fields);
    });
    description = LimpiaDescripcion(description);
    return block;
}

std::string ReadWMA(MediaReaders& readers, const std::string& path, std::string& description,
                    const MediaErrorSink& errors) {
    description.clear();
    std::string block = RunWriter("ReadWMA failure on ", path, errors, [&] {
        TWMAfile& wma = ReaderOf(readers.WmaFile);
        wma.ReadFromFile(path);
        if (!wma.Valid) return std::string();
        const std::string fields =
            CamposMusica(RoundedSeconds(wma.Duration), wma.Channels, wma.SampleRate, wma.BitRate,
                         ReadWMAYear(wma.Year), wma.Track, wma.Genre);
        description = DescripcionDeEtiquetas(wma.Artist, wma.Album, wma.Title, MediaFileName(path));
        return MediaBracketed(fields);
    });
    description = LimpiaDescripcion(description);
    return block;
}

} // namespace sorvane
