// Code tables of catalogue lines.
#include "catalogue/format/Codes.h"

#include <array>
#include <utility>

namespace sorvane {
namespace {

constexpr std::array<std::pair<char, std::string_view>, 14> kDiskTypes{{
    {'0', "CD-ROM"},
    {'1', "Floppy"},
    {'2', "DVD"},
    {'3', "H.D."},
    {'4', "Zip"},
    {'5', "Jaz"},
    {'6', "M.O."},
    {'A', "CD-RW"},
    {'B', "DVD-RW"},
    {'C', "Dirs"},
    {'L', "LS-120"},
    {'M', "CD-A"},
    {'N', "Netdrv"},
    {'Z', "?"},
}};

constexpr std::array<std::string_view, 16> kFileLetters{
    "", "R", "A", "AR", "H", "HR", "HA", "HAR", "S", "SR", "SA", "SAR", "SH", "SHR", "SHA", "SHAR",
};
constexpr std::array<std::string_view, 8> kFolderLetters{"",  "R",  "H",  "HR",
                                                         "C", "CR", "CH", "CHR"};
constexpr std::array<std::string_view, 8> kExtendedLetters{"",  "T",  "O",  "TO",
                                                           "C", "CT", "CO", "CTO"};
constexpr std::string_view kBadCode = "Error";

char HexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 0x0F];
}

template <std::size_t N>
std::string_view LettersOf(char code, const std::array<std::string_view, N>& table) {
    unsigned value;
    if (code >= '0' && code <= '9')
        value = static_cast<unsigned>(code - '0');
    else if (code >= 'A' && code <= 'F')
        value = static_cast<unsigned>(code - 'A' + 10);
    else
        return kBadCode;
    return value < N ? table[value] : kBadCode;
}

bool IsOneOf(std::string_view extension, std::initializer_list<std::string_view> list) {
    for (std::string_view candidate : list)
        if (extension == candidate) return true;
    return false;
}

} // namespace

char CodificaTipoDisco(std::string_view text) {
    for (const auto& [code, name] : kDiskTypes)
        if (name == text) return code;
    return ' ';
}

std::string_view DecodificaTipoDisco(char code) {
    for (const auto& [candidate, name] : kDiskTypes)
        if (candidate == code) return name;
    return {};
}

char CodificaAtributos(std::uint32_t a) {
    unsigned value = 0;
    if (a & kAttrSystem) value += 8;
    if (a & kAttrHidden) value += 4;
    if (a & kAttrArchive) value += 2;
    if (a & kAttrReadOnly) value += 1;
    return HexDigit(value);
}

std::string_view DecodificaAtributos(char code) {
    return LettersOf(code, kFileLetters);
}

char CodificaAtributosCarpeta(std::uint32_t a) {
    unsigned value = 0;
    if (a & kAttrReadOnly) value += 1;
    if (a & kAttrHidden) value += 2;
    if (a & kAttrCompressed) value += 4;
    return HexDigit(value);
}

std::string_view DecodificaAtributosCarpeta(char code) {
    return LettersOf(code, kFolderLetters);
}

char CodificaAtributosExtendidos(std::uint32_t a) {
    unsigned value = 0;
    if (a & kAttrTemporary) value += 1;
    if (a & kAttrOffline) value += 2;
    if (a & kAttrCompressed) value += 4;
    return HexDigit(value);
}

std::string_view DecodificaAtributosExtendidos(char code) {
    return LettersOf(code, kExtendedLetters);
}

bool EsExtensionDOC(std::string_view e) {
    return IsOneOf(e, {"DOC", "DOT"});
}

bool EsExtensionImagen(std::string_view e) {
    return IsOneOf(e, {"BMP", "GIF", "JPG", "JPEG", "JPE", "PCX", "PNG", "TIF", "TGA"});
}

bool EsExtensionWAV(std::string_view e) {
    return e == "WAV";
}
bool EsExtensionMusica(std::string_view e) {
    return IsOneOf(e, {"MP3", "OGG", "WMA"});
}
bool EsExtensionAVI(std::string_view e) {
    return e == "AVI";
}

MediaKind MediaKindOfExtension(std::string_view e) {
    if (EsExtensionImagen(e)) return MediaKind::Bitmap;
    if (EsExtensionMusica(e)) return MediaKind::Music;
    if (EsExtensionWAV(e)) return MediaKind::Audio;
    if (EsExtensionAVI(e)) return MediaKind::Video;
    if (EsExtensionDOC(e)) return MediaKind::Text;
    return MediaKind::None;
}

} // namespace sorvane
