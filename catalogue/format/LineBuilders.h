// Builders of whole catalogue lines: the header line, the folder lines of disk
// and folder catalogues, and the file line with its optional nested, media and
// description blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane {

// The configuration switches that turn the extra blocks of a file line off,
// and the user's four extra archive extensions.
struct OpcionesLinea {
    bool compressedOff = false; // CBCompressedOff: no nested block for the built-in archive kinds
    bool bmpOff = false, jpgOff = false, gifOff = false, pngOff = false, tifOff = false,
         pcxOff = false, tgaOff = false, wavOff = false, mp3Off = false, oggOff = false,
         wmaOff = false, aviOff = false, docOff = false, dotOff = false;
    std::string extensions[4]; // EExtension1..4, as typed
};

// The readers a file line asks for its extra blocks. An empty function, or one
// that returns an empty text, adds nothing (what a reader that learns nothing does).
enum class MediaReader { BMP, JPEG, GIF, PNG, TIF, PCX, Targa, WAV, MP3, OGG, WMA, AVI, DOC };
struct FuentesBloques {
    // The nested block (brackets included) of the archive at `fullPath`.
    std::function<std::string(const std::string& fullPath)> nested;
    // The media block (brackets included) of the file; readers that also give a
    // description (MP3, OGG, WMA, DOC) put it in `description`.
    std::function<std::string(MediaReader reader, const std::string& fullPath,
                              std::string& description)>
        media;
};

// What the walk knows of one file.
struct FicheroEncontrado {
    std::string name;              // catalogue form (a "\" of the file system already "/")
    std::uint32_t modifiedDos = 0; // last-write time as a DOS date (0: none)
    std::uint64_t size = 0;
    std::uint32_t attributes = 0;            // the search record's attribute bits
    std::optional<std::int64_t> createdUnix; // creation time; none when unknown
    std::uint32_t fullAttributes = 0;        // the full attribute word
    bool regularFile = true;                 // only a regular file is opened for its blocks
};

std::string LineaCabecera(std::string_view name, std::string_view diskTypeText,
                          std::string_view serial, std::string_view path, std::string_view label,
                          std::int32_t driveType, std::int64_t freeBytes, std::int64_t usedBytes,
                          std::string_view exclusionBlock);

// Dates that are no valid DOS date are stored as 1980-01-01; a file count above
// 999,999 (what the 3-character field holds) is stored as 999,999.

// `path`: an absolute catalogue folder path with drive, ending in "\" ("C:\Docs\").
std::string LineaCarpeta(std::string_view path, std::uint32_t createdDos, std::uint32_t modifiedDos,
                         std::uint32_t attributes, std::int32_t fileCount);

// `path`: relative to the catalogued folder, ending in "\" (the folder itself "\").
std::string LineaCarpetaRelativa(std::string_view path, std::uint32_t createdDos,
                                 std::uint32_t modifiedDos, std::uint32_t attributes,
                                 std::int32_t fileCount);

// `hostFolder`: the file's folder on this machine, ending in "/"; the readers get
// hostFolder + the file's host name (`hostName`, the name as the file system has it).
std::string LineaFichero(const FicheroEncontrado& file, std::string_view hostFolder,
                         std::string_view hostName, const OpcionesLinea& options,
                         const FuentesBloques& sources);

} // namespace sorvane
