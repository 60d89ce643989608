// One-character codes of catalogue lines: the kind of medium, the attributes of
// files, folders and nested entries; and the media kind of a file by extension.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// File attribute bits, as the platform layer reports them.
enum FileAttribute : std::uint32_t {
    kAttrReadOnly = 0x0001,
    kAttrHidden = 0x0002,
    kAttrSystem = 0x0004,
    kAttrDirectory = 0x0010,
    kAttrArchive = 0x0020,
    kAttrTemporary = 0x0100, // sets the "T" slot of the extended code
    kAttrCompressed = 0x0800,
    kAttrOffline = 0x1000,
};

// The code of a disk-type text ("CD-ROM", "Dirs", ...); a blank for any other text.
char CodificaTipoDisco(std::string_view text);
// The text of a disk-type code; empty for any other code.
std::string_view DecodificaTipoDisco(char code);

// "0" + System 8 + Hidden 4 + Archive 2 + ReadOnly 1, as one hexadecimal digit.
char CodificaAtributos(std::uint32_t attributes);
// The letters of that code ("SHAR" order), "Error" for any other character.
std::string_view DecodificaAtributos(char code);

// "0" + ReadOnly 1 + Hidden 2 + Compressed 4.
char CodificaAtributosCarpeta(std::uint32_t attributes);
std::string_view DecodificaAtributosCarpeta(char code);

// "0" + Temporary 1 + Offline 2 + Compressed 4.
char CodificaAtributosExtendidos(std::uint32_t attributes);
std::string_view DecodificaAtributosExtendidos(char code);

enum class MediaKind { None, Text, Bitmap, Audio, Music, Video };

// Tests on an upper-cased extension without its dot; comparisons are exact.
bool EsExtensionDOC(std::string_view extension);
bool EsExtensionImagen(std::string_view extension);
bool EsExtensionWAV(std::string_view extension);
bool EsExtensionMusica(std::string_view extension);
bool EsExtensionAVI(std::string_view extension);
MediaKind MediaKindOfExtension(std::string_view extension);

} // namespace sorvane
