// Media block layouts.
#include "catalogue/format/MediaBlock.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Text.h"

#include <cstdio>

namespace sorvane {
namespace {

// A field of a layout: 1-based position inside the block and width.
struct Field {
    std::size_t pos;
    std::size_t width;
};

// Bitmap and Video.
constexpr Field kWidth{1, 3};
constexpr Field kHeight{4, 3};
constexpr Field kBitsPerPixel{7, 1};
constexpr Field kFramesPerSecond{7, 1};
constexpr Field kVideoDuration{8, 3};
// Audio and Music.
constexpr Field kDuration{1, 3};
constexpr std::size_t kChannelsPos = 4;
constexpr Field kSampleRate{5, 3};
constexpr Field kBitsPerSample{8, 1};
constexpr Field kBitRate{8, 2};
constexpr Field kYear{10, 2};
constexpr Field kTrack{12, 2};
constexpr std::size_t kGenrePos = 14;
constexpr std::size_t kMaxGenreChars = 64;

std::string_view Slice(std::string_view block, Field f) {
    if (block.size() < f.pos + f.width - 1)
        throw EFormatoCatalogo("Media block of " + std::to_string(block.size()) +
                               " bytes is too short: position " +
                               std::to_string(f.pos + f.width - 1) + " needed");
    return block.substr(f.pos - 1, f.width);
}

std::string Text(std::string_view block, Field f) {
    return DecodificaTexto(Slice(block, f));
}
std::int32_t Value(std::string_view block, Field f) {
    return DecodificaEntero(Slice(block, f));
}

std::string Duration(std::int32_t seconds) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%d:%.2d:%.2d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return buffer;
}

std::int32_t ChannelValue(std::string_view block) {
    const char digit = Slice(block, {kChannelsPos, 1})[0];
    if (digit < '0' || digit > '9')
        throw EFormatoCatalogo("Media block: channel count is not a digit");
    return digit - '0';
}

MediaKind KindOfLine(std::string_view line) {
    return MediaKindOfExtension(UpperCaseSpanish(DameFicheroExtension(line)));
}

// Applies `reader` to the media kind of the line's extension and its block.
template <typename Reader> std::int32_t LineValue(std::string_view line, Reader reader) {
    return reader(KindOfLine(line), DameFicheroMultimedia(line));
}

} // namespace

std::string DameTextoResolucion(std::string_view b) {
    return Text(b, kWidth) + "x" + Text(b, kHeight);
}
std::string DameTextoCalidadImagen(std::string_view b) {
    return Text(b, kBitsPerPixel) + "b";
}
std::string DameTextoDuracionWAV(std::string_view b) {
    return Duration(Value(b, kDuration));
}
std::string DameTextoCanalesWAV(std::string_view b) {
    return std::string(Slice(b, {kChannelsPos, 1}));
}
std::string DameTextoFrecuenciaWAV(std::string_view b) {
    return Text(b, kSampleRate) + " Hz";
}
std::string DameTextoCalidadWAV(std::string_view b) {
    return Text(b, kBitsPerSample) + "b";
}
std::string DameTextoDuracionAudio(std::string_view b) {
    return Duration(Value(b, kDuration));
}
std::string DameTextoCanalesAudio(std::string_view b) {
    return DameTextoCanalesWAV(b);
}
std::string DameTextoFrecuenciaAudio(std::string_view b) {
    return DameTextoFrecuenciaWAV(b);
}
std::string DameTextoCalidadAudio(std::string_view b) {
    return Text(b, kBitRate) + "k";
}
std::string DameTextoAnoAudio(std::string_view b) {
    return Text(b, kYear);
}
std::string DameTextoPistaAudio(std::string_view b) {
    return Text(b, kTrack);
}

std::string DameTextoGeneroAudio(std::string_view b) {
    if (b.size() < kGenrePos) return {};
    return std::string(text::FirstChars(b.substr(kGenrePos - 1), kMaxGenreChars));
}

std::string DameTextoCalidadAVI(std::string_view b) {
    return Text(b, kFramesPerSecond) + "fps";
}
std::string DameTextoDuracionAVI(std::string_view b) {
    return Duration(Value(b, kVideoDuration));
}
std::string DameTextoPaginasDOC(std::string_view b) {
    return DecodificaTexto(b);
}

std::int32_t DameValorAncho(std::string_view b) {
    return Value(b, kWidth);
}
std::int32_t DameValorAlto(std::string_view b) {
    return Value(b, kHeight);
}
std::int32_t DameValorCalidadImagen(std::string_view b) {
    return Value(b, kBitsPerPixel);
}
std::int32_t DameValorDuracionWAV(std::string_view b) {
    return Value(b, kDuration);
}
std::int32_t DameValorCanalesWAV(std::string_view b) {
    return ChannelValue(b);
}
std::int32_t DameValorFrecuenciaWAV(std::string_view b) {
    return Value(b, kSampleRate);
}
std::int32_t DameValorCalidadWAV(std::string_view b) {
    return Value(b, kBitsPerSample);
}
std::int32_t DameValorDuracionAudio(std::string_view b) {
    return Value(b, kDuration);
}
std::int32_t DameValorCanalesAudio(std::string_view b) {
    return ChannelValue(b);
}
std::int32_t DameValorFrecuenciaAudio(std::string_view b) {
    return Value(b, kSampleRate);
}
std::int32_t DameValorCalidadAudio(std::string_view b) {
    return Value(b, kBitRate);
}
std::int32_t DameValorAnoAudio(std::string_view b) {
    return Value(b, kYear);
}
std::int32_t DameValorPistaAudio(std::string_view b) {
    return Value(b, kTrack);
}
std::int32_t DameValorCalidadAVI(std::string_view b) {
    return Value(b, kFramesPerSecond);
}
std::int32_t DameValorDuracionAVI(std::string_view b) {
    return Value(b, kVideoDuration);
}
std::int32_t DameValorPaginasDOC(std::string_view b) {
    return DecodificaEntero(b);
}

std::int32_t DameFicheroDuracion(std::string_view line) {
    return LineValue(line, [](MediaKind kind, std::string_view b) {
        switch (kind) {
        case MediaKind::Audio:
        case MediaKind::Music:
            return Value(b, kDuration);
        case MediaKind::Video:
            return Value(b, kVideoDuration);
        default:
            return 0;
        }
    });
}

std::int32_t DameFicheroCanales(std::string_view line) {
    return LineValue(line, [](MediaKind kind, std::string_view b) {
        return kind == MediaKind::Audio || kind == MediaKind::Music ? ChannelValue(b) : 0;
    });
}

std::int32_t DameFicheroFrecuencia(std::string_view line) {
    return LineValue(line, [](MediaKind kind, std::string_view b) {
        return kind == MediaKind::Audio || kind == MediaKind::Music ? Value(b, kSampleRate) : 0;
    });
}

std::int32_t DameFicheroCalidad(std::string_view line) {
    return LineValue(line, [](MediaKind kind, std::string_view b) {
        switch (kind) {
        case MediaKind::Bitmap:
            return Value(b, kBitsPerPixel);
        case MediaKind::Audio:
            return Value(b, kBitsPerSample);
        case MediaKind::Music:
            return Value(b, kBitRate);
        case MediaKind::Video:
            return Value(b, kFramesPerSecond);
        default:
            return 0;
        }
    });
}

std::int32_t DameFicheroAncho(std::string_view line) {
    return LineValue(line, [](MediaKind kind, std::string_view b) {
        return kind == MediaKind::Bitmap || kind == MediaKind::Video ? Value(b, kWidth) : 0;
    });
}

std::int32_t DameFicheroAlto(std::string_view line) {
    return LineValue(line, [](MediaKind kind, std::string_view b) {
        return kind == MediaKind::Bitmap || kind == MediaKind::Video ? Value(b, kHeight) : 0;
    });
}

std::int32_t DameFicheroPaginas(std::string_view line) {
    return LineValue(line, [](MediaKind kind, std::string_view b) {
        return kind == MediaKind::Text ? DecodificaEntero(b) : 0;
    });
}

} // namespace sorvane
