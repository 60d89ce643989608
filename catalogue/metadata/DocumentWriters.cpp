// The media block writers of documents (page count and title), MP3 files
// (stream information and ID3 tags) and AVI files (picture size, rate, time).
#include "catalogue/format/TextUtils.h"
#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/DocumentReaders.h"
#include "catalogue/metadata/MediaWriters.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace sorvane {

namespace {

bool IsBlank(const std::string& text) {
    for (unsigned char c : text)
        if (c > ' ') return false;
    return true;
}

// Every control character as a blank.
std::string BlankControls(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < ' ' || c == '\x7F') c = ' ';
    return text;
}

// The channel digit of an MPEG channel mode.
char ChannelDigit(std::uint8_t channelMode) {
    if (channelMode <= 2) return '2';
    if (channelMode == 3) return '1';
    return '0';
}

} // namespace

std::string GetDOCDatos(MediaReaders&, const std::string& path, std::string& description,
                        const MediaErrorSink& errors) {
    description.clear();
    return RunWriter("GetDOCDatos() failure on ", path, errors, [&]() -> std::string {
        TFileInfo fileInfo(path);
        TDocInfo info;
        fileInfo.GetDocInfo(info);
        if (info.DocStatus != -1)
            throw std::runtime_error("GetDocInfo error: " + fileInfo.LastError());
        if (!IsBlank(info.Title)) description = BlankControls(info.Title);
        return MediaBracketed(MediaNumberField(info.PageCount, 2));
    });
}

std::string ReadMP3(MediaReaders& readers, const std::string& path, std::string& description,
                    const MediaErrorSink& errors) {
    description.clear();
    std::string tagDescription;
    const std::string block = RunWriter("ReadMP3 failure on ", path, errors, [&]() -> std::string {
        MpegInfoRec info;
        TFileInfo(path).GetMP3ExInfo(info);
        // Read, and a frame found: a file of a few bytes is "read" with nothing in it.
        if (info.MpegStatus != -1 || info.MpegSampleRate == 0)
            throw std::runtime_error("GetMP3ExInfo error");
        const std::string base =
            MediaNumberField(info.MpegDuration, 3) + ChannelDigit(info.MpegChannelMode) +
            MediaNumberField(info.MpegSampleRate, 3) + MediaNumberField(info.MpegBitRate, 2);
        const std::string_view fileName = MediaFileName(path);

        TID3v1 ownV1;
        TID3v1& v1 = readers.Id3v1Tag ? *readers.Id3v1Tag : ownV1;
        v1.ReadFromFile(path);
        if (v1.Exists) {
            if (v1.Year.empty()) v1.SetYear("0");
            const std::string fields = base + MediaNumberField(ParseInteger(v1.Year), 2) +
                                       MediaNumberField(v1.Track, 2) + BlankControls(v1.GetGenre());
            tagDescription = DescripcionDeEtiquetas(v1.Artist, v1.Album, v1.Title, fileName);
            return MediaBracketed(fields);
        }
        TID3v2 ownV2;
        TID3v2& v2 = readers.Id3v2Tag ? *readers.Id3v2Tag : ownV2;
        v2.ReadFromFile(path);
        if (v2.Exists) {
            if (v2.Year.empty()) v2.SetYear("0");
            const std::string fields = base + MediaNumberField(ParseInteger(v2.Year), 2) +
                                       MediaNumberField(v2.Track, 2) + BlankControls(v2.Genre);
            tagDescription = DescripcionDeEtiquetas(v2.Artist, v2.Album, v2.Title, fileName);
            return MediaBracketed(fields);
        }
        return MediaBracketed(base + MediaNumberField(0, 2) + MediaNumberField(0, 2));
    });
    // A failure leaves no description, also when the tag was read before it.
    if (!block.empty()) description = LimpiaDescripcion(tagDescription);
    return block;
}

std::string ReadAVI(MediaReaders&, const std::string& path, const MediaErrorSink& errors) {
    return RunWriter("ReadAVI failure on ", path, errors, [&]() -> std::string {
        // Left negative, so a file without a main header gets no block.
        std::int32_t width = -1;
        std::int32_t height = -1;
        std::int32_t duration = -1;
        std::uint8_t framesPerSecond = 0;
        const int status = GetAVIInfo(path, width, height, duration, framesPerSecond);
        if (status != kAviRead || width < 0 || height < 0 || duration < 0) throw EAbort();
        return MediaBracketed(MediaNumberField(width, 3) + MediaNumberField(height, 3) +
                              MediaNumberField(framesPerSecond, 1) + MediaNumberField(duration, 3));
    });
}

} // namespace sorvane
