// Builders of whole catalogue lines.
#include "catalogue/format/LineBuilders.h"

#include "catalogue/format/CatalogueLine.h"
#include "catalogue/format/Codes.h"
#include "catalogue/format/NumberCode.h"
#include "catalogue/format/PathText.h"
#include "catalogue/format/TextUtils.h"
#include "platform/DateTime.h"
#include "platform/Files.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>

namespace sorvane {
namespace {

// Header line widths.
constexpr std::size_t kFreeBytesWidth = 7;
constexpr std::size_t kUsedBytesWidth = 7;
constexpr std::size_t kDriveTypeWidth = 10;
constexpr std::size_t kLabelWidth = 20;

// Folder line: the file count field, and the largest count it holds.
constexpr std::size_t kFileCountWidth = 3;
constexpr std::int32_t kLargestFileCount = 999'999;

// A file name is cut to this many characters.
constexpr std::size_t kMaxNameChars = 256;

// A catalogue path "X:\..." without its drive letter and colon.
constexpr std::size_t kDrivePrefixLength = 2;

// The DOS value of 1980-01-01 00:00, stored for any date that does not convert.
constexpr std::uint32_t kEpochDosDate = 2'162'688;

// The DOS date stored for a date: itself (through its date-time) when it
// converts, else 1980-01-01.
std::uint32_t StoredDosDate(std::uint32_t dos) {
    const std::optional<DateTime> when = DosDateToDateTime(dos);
    if (!when) return kEpochDosDate;
    return DateTimeToDosDate(*when).value_or(kEpochDosDate);
}

// The DOS date of a creation time; 1980-01-01 when it is unknown or has no DOS form.
std::uint32_t StoredCreatedDate(const std::optional<std::int64_t>& createdUnix) {
    if (!createdUnix) return kEpochDosDate;
    const std::optional<DateTime> local = FileTimeToLocalDateTime(*createdUnix);
    if (!local) return kEpochDosDate;
    const std::uint32_t dos = DateTimeToDosDate(*local).value_or(0);
    return dos == 0 ? kEpochDosDate : dos;
}

std::string FolderLine(std::string_view pathPart, std::uint32_t createdDos,
                       std::uint32_t modifiedDos, std::uint32_t attributes,
                       std::int32_t fileCount) {
    std::string line(1, kFolderMarker);
    line += PadLeftToWidth(CodificaEntero(std::min(fileCount, kLargestFileCount)), kFileCountWidth);
    line += CodificaFecha(StoredDosDate(createdDos));
    line += CodificaFecha(StoredDosDate(modifiedDos));
    line += CodificaAtributosCarpeta(attributes);
    line += LimpiaControles(pathPart);
    return line;
}

// The built-in archive kinds of the first four steps.
constexpr std::array<std::string_view, 16> kArchiveExtensions = {
    "EXE", "ZIP", "RAR", "CAB", "ACE", "JAR", "ARJ",  "PAK",
    "LZH", "LHA", "ZOO", "ARC", "TAR", "GZ",  "GZIP", "TGZ"};

bool IsBuiltInArchive(std::string_view extension) {
    return std::find(kArchiveExtensions.begin(), kArchiveExtensions.end(), extension) !=
           kArchiveExtensions.end();
}

// One media step: the extensions it serves, its switch, its reader, and what
// follows it.
struct MediaStep {
    std::array<std::string_view, 3> extensions;
    bool OpcionesLinea::*off;
    MediaReader reader;
    bool givesDescription;
    bool endsLine;
};

constexpr MediaStep kMediaSteps[] = {
    {{"BMP"}, &OpcionesLinea::bmpOff, MediaReader::BMP, false, true},
    {{"JPG", "JPEG", "JPE"}, &OpcionesLinea::jpgOff, MediaReader::JPEG, false, true},
    {{"GIF"}, &OpcionesLinea::gifOff, MediaReader::GIF, false, true},
    {{"PNG"}, &OpcionesLinea::pngOff, MediaReader::PNG, false, true},
    {{"TIF"}, &OpcionesLinea::tifOff, MediaReader::TIF, false, true},
    {{"PCX"}, &OpcionesLinea::pcxOff, MediaReader::PCX, false, true},
    {{"TGA"}, &OpcionesLinea::tgaOff, MediaReader::Targa, false, true},
    {{"WAV"}, &OpcionesLinea::wavOff, MediaReader::WAV, false, true},
    {{"MP3"}, &OpcionesLinea::mp3Off, MediaReader::MP3, true, true},
    {{"OGG"}, &OpcionesLinea::oggOff, MediaReader::OGG, true, true},
    {{"WMA"}, &OpcionesLinea::wmaOff, MediaReader::WMA, true, true},
    // The video step does not end the steps (no later one serves its extension).
    {{"AVI"}, &OpcionesLinea::aviOff, MediaReader::AVI, false, false},
    {{"DOC"}, &OpcionesLinea::docOff, MediaReader::DOC, true, true},
    {{"DOT"}, &OpcionesLinea::dotOff, MediaReader::DOC, true, true},
};

bool Serves(const MediaStep& step, std::string_view extension) {
    for (std::string_view e : step.extensions)
        if (!e.empty() && e == extension) return true;
    return false;
}

// Appends the nested block of the archive; true when the source gave one.
bool AppendNested(std::string& line, const FuentesBloques& sources, const std::string& fullPath) {
    if (!sources.nested) return false;
    const std::string block = sources.nested(fullPath);
    line += block;
    return !block.empty();
}

// The nested and media blocks of a file, in the order the steps try them.
void AppendBlocks(std::string& line, std::string_view extension, const std::string& fullPath,
                  const OpcionesLinea& options, const FuentesBloques& sources) {
    if (extension.empty()) return;

    if (IsBuiltInArchive(extension) && !options.compressedOff) {
        AppendNested(line, sources, fullPath);
        return;
    }

    // The user's boxes. A line holds one nested block at most, so a second box
    // naming the same extension adds nothing once a listing was added.
    bool nestedAdded = false;
    for (const std::string& box : options.extensions) {
        if (nestedAdded) break;
        if (box.empty() || UpperCaseSpanish(box) != extension) continue;
        nestedAdded = AppendNested(line, sources, fullPath);
    }

    for (const MediaStep& step : kMediaSteps) {
        if (!Serves(step, extension) || options.*step.off) continue;
        if (sources.media) {
            std::string description;
            line += sources.media(step.reader, fullPath, description);
            if (step.givesDescription && !description.empty()) {
                line += kDescriptionBracket;
                line += LimpiaControles(description);
                line += kDescriptionBracket;
            }
        }
        if (step.endsLine) return;
    }
}

} // namespace

std::string LineaCabecera(std::string_view name, std::string_view diskTypeText,
                          std::string_view serial, std::string_view path, std::string_view label,
                          std::int32_t driveType, std::int64_t freeBytes, std::int64_t usedBytes,
                          std::string_view exclusionBlock) {
    const std::string cleanPath = LimpiaControles(path);
    std::string line(1, kHeaderMarker);
    line += CodificaTipoDisco(diskTypeText);
    line += cleanPath.empty() ? ' ' : cleanPath.front();
    line += serial;
    line += PadLeftToWidth(CodificaInt64(freeBytes), kFreeBytesWidth);
    line += PadLeftToWidth(CodificaInt64(usedBytes), kUsedBytesWidth);
    line += PadLeftToWidth(std::to_string(driveType), kDriveTypeWidth);
    line += PadRightToWidth(LimpiaControles(label), kLabelWidth);
    line += kMediaBracket;
    line += LimpiaControles(name);
    line += kMediaBracket;
    line += kDescriptionBracket;
    if (cleanPath.size() > kDrivePrefixLength) line.append(cleanPath, kDrivePrefixLength);
    line += kDescriptionBracket;
    line += exclusionBlock;
    return line;
}

std::string LineaCarpeta(std::string_view path, std::uint32_t createdDos, std::uint32_t modifiedDos,
                         std::uint32_t attributes, std::int32_t fileCount) {
    // "C:\" is the root; "C:\Docs\Music\" is stored as "\Docs\Music".
    constexpr std::size_t kDriveRootLength = 3;
    const std::string_view part =
        path.size() <= kDriveRootLength
            ? std::string_view("\\")
            : path.substr(kDrivePrefixLength, path.size() - kDrivePrefixLength - 1);
    return FolderLine(part, createdDos, modifiedDos, attributes, fileCount);
}

std::string LineaCarpetaRelativa(std::string_view path, std::uint32_t createdDos,
                                 std::uint32_t modifiedDos, std::uint32_t attributes,
                                 std::int32_t fileCount) {
    const std::string_view part =
        path.size() <= 1 ? std::string_view("\\") : path.substr(0, path.size() - 1);
    return FolderLine(part, createdDos, modifiedDos, attributes, fileCount);
}

std::string LineaFichero(const FicheroEncontrado& file, std::string_view hostFolder,
                         std::string_view hostName, const OpcionesLinea& options,
                         const FuentesBloques& sources) {
    const std::string cleanName = LimpiaControles(file.name);
    const std::string_view name = text::FirstChars(cleanName, kMaxNameChars);

    std::string line = CodificaFecha(StoredDosDate(file.modifiedDos));
    line += CodificaFecha(StoredCreatedDate(file.createdUnix));
    line += CodificaTamano(file.size);
    line += CodificaAtributos(file.attributes);
    line += CodificaAtributosExtendidos(file.fullAttributes);
    line += name;

    // Only a regular file is opened: reading a FIFO or a device could block or
    // have side effects.
    if (!file.regularFile) return line;

    std::string fullPath(hostFolder);
    fullPath += hostName;
    AppendBlocks(line, UpperCaseSpanish(ExtraeExtension(name)), fullPath, options, sources);
    return line;
}

} // namespace sorvane
