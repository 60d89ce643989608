// Field readers of catalogue lines.
#include "catalogue/format/CatalogueLine.h"

#include "catalogue/format/Codes.h"
#include "catalogue/format/FormatError.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "platform/Text.h"

#include <algorithm>

namespace sorvane {
namespace {

// Header line layout (1-based positions).
constexpr std::size_t kHeaderTypePos = 2;
constexpr std::size_t kHeaderDrivePos = 3;
constexpr std::size_t kHeaderSerialPos = 4, kHeaderSerialWidth = 9;
constexpr std::size_t kHeaderFreePos = 13, kHeaderFreeWidth = 7;
constexpr std::size_t kHeaderUsedPos = 20, kHeaderUsedWidth = 7;
constexpr std::size_t kHeaderDriveTypePos = 27, kHeaderDriveTypeWidth = 10;
constexpr std::size_t kHeaderLabelPos = 37, kHeaderLabelWidth = 20;
constexpr std::size_t kHeaderNameBracketPos = 57;

// Folder line layout.
constexpr std::size_t kFolderCreatedPos = 5;
constexpr std::size_t kFolderModifiedPos = 10;
constexpr std::size_t kFolderAttributePos = 15;
constexpr std::size_t kFolderPathPos = 16;

// File line layout.
constexpr std::size_t kFileModifiedPos = 1;
constexpr std::size_t kFileCreatedPos = 6;
constexpr std::size_t kFileSizePos = 11;
constexpr std::size_t kFileAttributePos = 16;
constexpr std::size_t kFileExtendedPos = 17;
constexpr std::size_t kFileNamePos = 18;

// Nested entry layout.
constexpr std::size_t kEntryDatePos = 1;
constexpr std::size_t kEntrySizePos = 6;
constexpr std::size_t kEntryAttributePos = 11;
constexpr std::size_t kEntryPathPos = 12;
constexpr std::size_t kMaxEntryPathChars = 256;

[[noreturn]] void TooShort(std::string_view line, std::size_t needed) {
    throw EFormatoCatalogo("Catalogue line of " + std::to_string(line.size()) +
                           " bytes is too short: position " + std::to_string(needed) + " needed");
}

void Require(std::string_view line, std::size_t lastPosition) {
    if (line.size() < lastPosition) TooShort(line, lastPosition);
}

char CharAt(std::string_view line, std::size_t pos) {
    Require(line, pos);
    return line[pos - 1];
}

std::string_view FieldAt(std::string_view line, std::size_t pos, std::size_t width) {
    Require(line, pos + width - 1);
    return line.substr(pos - 1, width);
}

// The text from 1-based `pos` on; requires the position before it to exist.
std::string_view From(std::string_view line, std::size_t pos) {
    Require(line, pos - 1);
    return line.substr(pos - 1);
}

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool EndsWith(std::string_view line, char c) {
    return !line.empty() && line.back() == c;
}

// The text between the first `bracket` at or after `from` and the next one.
std::string_view Bracketed(std::string_view line, char bracket, std::size_t from = 0) {
    const std::size_t open = line.find(bracket, from);
    if (open == std::string_view::npos) return {};
    const std::size_t close = line.find(bracket, open + 1);
    if (close == std::string_view::npos)
        throw EFormatoCatalogo("Catalogue line: unclosed block of character " +
                               std::to_string(static_cast<unsigned char>(bracket)));
    return line.substr(open + 1, close - open - 1);
}

} // namespace

// Header line.

char DameCabeceraTipo(std::string_view line) {
    return CharAt(line, kHeaderTypePos);
}
char DameCabeceraUnidad(std::string_view line) {
    return CharAt(line, kHeaderDrivePos);
}

std::string_view DameCabeceraNumSerie(std::string_view line) {
    return FieldAt(line, kHeaderSerialPos, kHeaderSerialWidth);
}

std::int64_t DameCabeceraLibre(std::string_view line) {
    return DecodificaInt64(FieldAt(line, kHeaderFreePos, kHeaderFreeWidth));
}

std::int64_t DameCabeceraOcupado(std::string_view line) {
    return DecodificaInt64(FieldAt(line, kHeaderUsedPos, kHeaderUsedWidth));
}

std::int32_t DameCabeceraTipoUnidad(std::string_view line) {
    const std::string_view field = FieldAt(line, kHeaderDriveTypePos, kHeaderDriveTypeWidth);
    try {
        const std::int64_t value = ParseInteger(field);
        if (value >= INT32_MIN && value <= INT32_MAX) return static_cast<std::int32_t>(value);
    } catch (const EConvertError&) {
    }
    throw EFormatoCatalogo("Catalogue header: drive type \"" + std::string(field) +
                           "\" is not a number");
}

std::string_view DameCabeceraVolumen(std::string_view line) {
    return TrimBlanks(FieldAt(line, kHeaderLabelPos, kHeaderLabelWidth));
}

std::string_view DameCabeceraNombre(std::string_view line) {
    Require(line, kHeaderNameBracketPos);
    const std::size_t close = line.rfind(kMediaBracket);
    if (close == std::string_view::npos || close < kHeaderNameBracketPos) return {};
    return line.substr(kHeaderNameBracketPos, close - kHeaderNameBracketPos);
}

std::string_view DameCabeceraRuta(std::string_view line) {
    if (line.find(kDescriptionBracket) == std::string_view::npos)
        throw EFormatoCatalogo("Catalogue header without its source path");
    return Bracketed(line, kDescriptionBracket);
}

bool TieneCabeceraExcluidas(std::string_view line) {
    return EndsWith(line, kNestedBracket);
}

std::string_view DameCabeceraExcluidas(std::string_view line) {
    if (!TieneCabeceraExcluidas(line)) return {};
    const std::size_t open = line.find(kNestedBracket);
    const std::size_t close = line.find(kNestedBracket, open + 1);
    if (close == std::string_view::npos) return {};
    return line.substr(open + 1, close - open - 1);
}

bool EsCatalogoCarpeta(std::string_view line) {
    return DameCabeceraTipo(line) == 'C';
}
bool EsCatalogoDisco(std::string_view line) {
    return !EsCatalogoCarpeta(line);
}

// Folder line.

bool EsLineaCarpeta(std::string_view line) {
    return !line.empty() && line.front() == kFolderMarker;
}

DateTime DameCarpetaCreado(std::string_view line) {
    return DecodificaFecha(FieldAt(line, kFolderCreatedPos, kDateFieldWidth));
}

DateTime DameCarpetaModificado(std::string_view line) {
    return DecodificaFecha(FieldAt(line, kFolderModifiedPos, kDateFieldWidth));
}

std::string_view DameCarpetaAtributos(std::string_view line) {
    return DecodificaAtributosCarpeta(CharAt(line, kFolderAttributePos));
}

std::string_view DameCarpetaRuta(std::string_view line) {
    Require(line, kFolderPathPos);
    std::string_view path = line.substr(kFolderPathPos - 1);
    if (TieneDescripcion(line)) {
        const std::ptrdiff_t open = DamePosicionDescripcion(line);
        const auto end =
            static_cast<std::size_t>(std::max<std::ptrdiff_t>(open - 1, kFolderPathPos - 1));
        path = line.substr(kFolderPathPos - 1, end - (kFolderPathPos - 1));
    }
    return path;
}

std::string_view DameCarpetaNombre(std::string_view line) {
    const std::string_view path = DameCarpetaRuta(line);
    const std::size_t at = path.rfind('\\');
    return at == std::string_view::npos ? path : path.substr(at + 1);
}

std::string_view DameCarpetaDescripcion(std::string_view line) {
    return TieneDescripcion(line) ? ExtraeDescripcion(line) : std::string_view();
}

// File line.

DateTime DameFicheroModificado(std::string_view line) {
    return DecodificaFecha(FieldAt(line, kFileModifiedPos, kDateFieldWidth));
}

DateTime DameFicheroCreado(std::string_view line) {
    return DecodificaFecha(FieldAt(line, kFileCreatedPos, kDateFieldWidth));
}

std::uint64_t DameFicheroTamano(std::string_view line) {
    return DecodificaTamano(FieldAt(line, kFileSizePos, kSizeFieldWidth));
}

std::string DameFicheroAtributos(std::string_view line) {
    std::string letters(DecodificaAtributos(CharAt(line, kFileAttributePos)));
    if (TieneAnidados(line)) letters.insert(0, 1, '@');
    if (TieneMultimedia(line)) letters.insert(0, 1, '#');
    return letters;
}

std::string_view DameFicheroAtributosExtendidos(std::string_view line) {
    return DecodificaAtributosExtendidos(CharAt(line, kFileExtendedPos));
}

std::string_view DameFicheroNombre(std::string_view line) {
    const std::string_view rest = From(line, kFileNamePos);
    for (char end : {kNestedBracket, kMediaBracket, kDescriptionBracket}) {
        const std::size_t at = rest.find(end);
        if (at != std::string_view::npos) return rest.substr(0, at);
    }
    return rest;
}

std::string_view DameFicheroExtension(std::string_view line) {
    return ExtraeExtension(DameFicheroNombre(line));
}

std::string_view DameFicheroDescripcion(std::string_view line) {
    return TieneDescripcion(line) ? ExtraeDescripcion(line) : std::string_view();
}

bool TieneAnidados(std::string_view line) {
    return line.find(kNestedBracket) != std::string_view::npos;
}
bool TieneMultimedia(std::string_view line) {
    return line.find(kMediaBracket) != std::string_view::npos;
}
bool TieneDescripcion(std::string_view line) {
    return EndsWith(line, kDescriptionBracket);
}

std::string DameFicheroAnidados(std::string_view line) {
    const std::size_t first = line.find(kNestedBracket);
    const std::size_t last = line.rfind(kNestedBracket);
    if (first == std::string_view::npos || first == last) return {};
    std::string items(line.substr(first + 1, last - first - 1));
    items.push_back(kItemSeparator);
    return items;
}

std::size_t CuentaAnidados(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), kItemSeparator));
}

std::string_view DameFicheroMultimedia(std::string_view line) {
    if (line.size() < kFileNamePos) return {};
    const std::size_t open = line.find(kMediaBracket, kFileNamePos - 1);
    if (open == std::string_view::npos) return {};
    const std::size_t close = line.find(kMediaBracket, open + 2);
    if (close == std::string_view::npos) return {};
    return line.substr(open + 1, close - open - 1);
}

// Any line.

std::string_view DameLineaNombre(std::string_view line) {
    return EsLineaCarpeta(line) ? DameCarpetaNombre(line) : DameFicheroNombre(line);
}

std::string_view DameLineaDescripcion(std::string_view line) {
    return EsLineaCarpeta(line) ? DameCarpetaDescripcion(line) : DameFicheroDescripcion(line);
}

DateTime DameLineaCreado(std::string_view line) {
    return EsLineaCarpeta(line) ? DameCarpetaCreado(line) : DameFicheroCreado(line);
}

DateTime DameLineaModificado(std::string_view line) {
    return EsLineaCarpeta(line) ? DameCarpetaModificado(line) : DameFicheroModificado(line);
}

// Nested entry.

DateTime DameAnidadoFecha(std::string_view entry) {
    return DecodificaFecha(FieldAt(entry, kEntryDatePos, kDateFieldWidth));
}

std::uint64_t DameAnidadoTamano(std::string_view entry) {
    return DecodificaTamano(FieldAt(entry, kEntrySizePos, kSizeFieldWidth));
}

std::string_view DameAnidadoAtributos(std::string_view entry) {
    return DecodificaAtributos(CharAt(entry, kEntryAttributePos));
}

std::string_view DameAnidadoRuta(std::string_view entry) {
    return text::FirstChars(From(entry, kEntryPathPos), kMaxEntryPathChars);
}

std::string_view DameAnidadoNombre(std::string_view entry) {
    return ExtraeUltimoElemento(DameAnidadoRuta(entry));
}

// Description block.

std::ptrdiff_t DamePosicionDescripcion(std::string_view line) {
    if (line.size() < 2) return -1;
    const std::size_t at = line.rfind(kDescriptionBracket, line.size() - 2);
    return at == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(at + 1);
}

std::string_view ExtraeDescripcion(std::string_view line) {
    const std::ptrdiff_t open = DamePosicionDescripcion(line);
    if (open < 0) return {};
    const auto start = static_cast<std::size_t>(open);
    return line.substr(start, line.size() - 1 - start);
}

std::string_view QuitaDescripcion(std::string_view line) {
    if (!TieneDescripcion(line)) return line;
    const std::ptrdiff_t open = DamePosicionDescripcion(line);
    if (open < 0) return {};
    return line.substr(0, static_cast<std::size_t>(open - 1));
}

std::string PonDescripcion(std::string_view line, std::string_view description) {
    std::string out(QuitaDescripcion(line));
    out.push_back(kDescriptionBracket);
    out.append(description);
    out.push_back(kDescriptionBracket);
    return out;
}

std::string UneDescripciones(std::string_view oldText, std::string_view newText) {
    std::string out(oldText);
    if (!newText.empty() && oldText.find(newText) == std::string_view::npos) {
        out.push_back(' ');
        out.append(newText);
    }
    return out;
}

// Folder-path tests.

namespace {

// Shared first rules of both tests; returns true and sets `result` when they decide.
bool DecidedByRoot(std::string_view folder, std::string_view path, bool& result) {
    if (folder.size() >= path.size()) {
        result = false;
        return true;
    }
    if (path.rfind('\\') == 0 && folder == "\\") {
        result = true;
        return true;
    }
    return false;
}

} // namespace

bool EsSubcarpetaDirecta(std::string_view folder, std::string_view path) {
    bool result;
    if (DecidedByRoot(folder, path, result)) return result;
    const std::size_t at = path.rfind('\\');
    return at != std::string_view::npos && path.substr(0, at) == folder;
}

bool EsSubcarpeta(std::string_view folder, std::string_view path) {
    bool result;
    if (DecidedByRoot(folder, path, result)) return result;
    return path.substr(0, folder.size()) == folder;
}

} // namespace sorvane
