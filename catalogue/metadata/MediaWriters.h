// The media block writers: for each kind of media file, the routine that asks
// its metadata reader and returns the file's media block (brackets included;
// empty when nothing was learned) and, for music and documents, a description.
// A reader's failure is logged as one error line and gives no block.
#pragma once

#include "catalogue/format/LineBuilders.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sorvane {

class TDCImageInfo;
class TTarga;
class TJpegImage;
class TWAVfile;
class TID3v1;
class TID3v2;
class TOggVorbis;
class TWMAfile;

// One line for the error list.
using MediaErrorSink = std::function<void(const std::string& line)>;

// The silent abort of a writer; its message is "Operation aborted".
class EAbort : public std::runtime_error {
public:
    EAbort() : std::runtime_error("Operation aborted") {}
};

// The reader objects kept for a whole run and reused for every file.
struct MediaReaders {
    MediaReaders();
    ~MediaReaders();
    MediaReaders(const MediaReaders&) = delete;
    MediaReaders& operator=(const MediaReaders&) = delete;

    std::unique_ptr<TDCImageInfo> ImageInfo;
    std::unique_ptr<TJpegImage> JpegImage;
    std::unique_ptr<TTarga> TargaImage;
    std::unique_ptr<TWAVfile> WavFile;
    std::unique_ptr<TID3v1> Id3v1Tag;
    std::unique_ptr<TID3v2> Id3v2Tag;
    std::unique_ptr<TOggVorbis> OggFile;
    std::unique_ptr<TWMAfile> WmaFile;
};

// The common frame of every writer: runs `body`; on any exception logs
// `failureText` + path + ": " + message and returns an empty block.
std::string RunWriter(const char* failureText, const std::string& path,
                      const MediaErrorSink& errors, const std::function<std::string()>& body);

// A block from its fields: character 26, the fields, character 26.
std::string MediaBracketed(const std::string& fields);

// A number field of a block: the value's number code padded on the left with
// blanks to `width` (cut to it when longer).
std::string MediaNumberField(std::int64_t value, std::size_t width);

// The last element of a file path, the text after its last "/".
std::string_view MediaFileName(std::string_view path);

// The reader object of `slot`, made on first use.
template <typename Reader> Reader& ReaderOf(std::unique_ptr<Reader>& slot) {
    if (!slot) slot = std::make_unique<Reader>();
    return *slot;
}

// The writers.
std::string ReadBMP(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string ReadGIF(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string ReadPNG(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string ReadTIF(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string ReadPCX(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string ReadJPEG(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string ReadTarga(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string ReadWAV(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string ReadMP3(MediaReaders& readers, const std::string& path, std::string& description,
                    const MediaErrorSink& errors);
std::string ReadOGG(MediaReaders& readers, const std::string& path, std::string& description,
                    const MediaErrorSink& errors);
std::string ReadWMA(MediaReaders& readers, const std::string& path, std::string& description,
                    const MediaErrorSink& errors);
std::string ReadAVI(MediaReaders& readers, const std::string& path, const MediaErrorSink& errors);
std::string GetDOCDatos(MediaReaders& readers, const std::string& path, std::string& description,
                        const MediaErrorSink& errors);

// The block of a file for the line builders' media source.
std::string MediaBlockFor(MediaReaders& readers, MediaReader reader, const std::string& path,
                          std::string& description, const MediaErrorSink& errors);

// The media source of the line builders over `readers` and `errors`.
FuentesBloques FuentesMultimedia(MediaReaders& readers, MediaErrorSink errors);

} // namespace sorvane
