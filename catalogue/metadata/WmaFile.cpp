// The WMA reader: the objects of an ASF header (file and stream properties,
// content description and extended content description).
#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/ByteReader.h"

#include <algorithm>
#include <array>

namespace sorvane {

namespace {

// An ASF object: 16-byte identifier, 64-bit size (header included), contents.
constexpr std::size_t kGuid = 16;
constexpr std::size_t kObjectHeader = 24;
// The Header Object adds a 32-bit object count and two reserved bytes.
constexpr std::size_t kHeaderObjectStart = 30;
constexpr std::size_t kHeaderSize = 16, kObjectCount = 24;

// The identifiers as they lie in the file (the first three GUID fields little-endian).
constexpr std::string_view
    kHeaderObject("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", kGuid);
constexpr std::string_view
    kFileProperties("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", kGuid);
constexpr std::string_view
    kStreamProperties("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", kGuid);
constexpr std::string_view
    kContentDescription("\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", kGuid);
constexpr std::string_view
    kExtendedContentDescription("\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50",
                                kGuid);
constexpr std::string_view
    kAudioMedia("\x40\x9E\x69\xF8\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B", kGuid);

// File Properties Object: the maximum bit rate.
constexpr std::size_t kMaxBitRate = 100;
constexpr std::size_t kFilePropertiesNeeded = 104;
// Stream Properties Object: stream type, then the WAVEFORMATEX of an audio stream.
constexpr std::size_t kStreamType = 24;
constexpr std::size_t kStreamChannels = 80, kStreamSampleRate = 82, kStreamByteRate = 86;
constexpr std::size_t kStreamPropertiesNeeded = 90;
// Content Description and Extended Content Description: lengths or a count at 24.
constexpr std::size_t kDescriptionFields = 24;
constexpr std::size_t kContentTexts = 5; // title, author, copyright, description, rating

// Of a wide text at most this many units are read; the rest is passed over.
constexpr std::size_t kMaxTextUnits = 250;
// Header objects are few; a count beyond this is damage.
constexpr std::uint32_t kMaxObjects = 1024;
constexpr std::uint16_t kTextValue = 0;

// The extended descriptor names, in slot order, and the slots.
enum Slot : std::size_t { kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment, kSlots };
constexpr std::array<std::string_view, kSlots> kDescriptorNames = {
    "WM/TITLE", "WM/AUTHOR", "WM/ALBUMTITLE", "WM/TRACK", "WM/YEAR", "WM/GENRE", "WM/DESCRIPTION"};
// The one-based track number Windows Media Player writes beside the zero-based
// "WM/Track", and ffmpeg writes instead of it; it wins over "WM/Track".
constexpr std::string_view kTrackNumber = "WM/TRACKNUMBER";

// The range of values a playable WMA header holds.
constexpr std::uint32_t kMaxBitRateLimit = 320'000, kMaxByteRateLimit = 40'000;
constexpr std::uint32_t kMinSampleRate = 8'000, kMaxSampleRate = 96'000;

// A wide text of `length` bytes: at most kMaxTextUnits units are read.
std::string WideText(FileCursor& cursor, std::uint16_t length) {
    const std::size_t take = std::min<std::size_t>(length / 2, kMaxTextUnits) * 2;
    const std::string bytes = cursor.Read(take);
    cursor.Skip(length - take);
    return Utf16Text(bytes, /*bigEndian=*/false);
}

// What the header objects give.
struct FileData {
    std::uint32_t maxBitRate = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    bool streamFound = false;
    std::array<std::string, kSlots> texts;
    std::string trackNumber;
};

void ReadContentDescription(FileCursor& cursor, FileData& data) {
    std::array<std::uint16_t, kContentTexts> lengths{};
    for (std::uint16_t& length : lengths)
        length = cursor.U16LE();
    std::array<std::string, kContentTexts> texts;
    for (std::size_t i = 0; i < kContentTexts; ++i)
        texts[i] = WideText(cursor, lengths[i]);
    data.texts[kTitle] = texts[0];
    data.texts[kArtist] = texts[1];
    data.texts[kComment] = texts[3];
}

void ReadExtendedContentDescription(FileCursor& cursor, FileData& data) {
    const std::uint16_t count = cursor.U16LE();
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::string name = AsciiUpper(TrimBlanks(WideText(cursor, cursor.U16LE())));
        const std::uint16_t type = cursor.U16LE();
        const std::uint16_t length = cursor.U16LE();
        if (type != kTextValue) {
            cursor.Skip(length);
            continue;
        }
        std::string value = WideText(cursor, length);
        if (name == kTrackNumber) {
            data.trackNumber = std::move(value);
            continue;
        }
        const auto slot = std::find(kDescriptorNames.begin(), kDescriptorNames.end(), name);
        if (slot != kDescriptorNames.end())
            data.texts[static_cast<std::size_t>(slot - kDescriptorNames.begin())] =
                std::move(value);
    }
}

// Walks the header objects. A damaged object raises EAudioRead.
void ReadHeaderObjects(const ReadOnlyFile& file, FileData& data) {
    const ByteFields header(file.ReadAt(0, kHeaderObjectStart));
    // The objects lie inside the Header Object, which lies inside the file.
    const std::uint64_t headerEnd = std::min<std::uint64_t>(header.U64LE(kHeaderSize), file.Size());
    const std::uint32_t count = std::min(header.U32LE(kObjectCount), kMaxObjects);
    std::uint64_t pos = kHeaderObjectStart;
    for (std::uint32_t i = 0; i < count && pos + kObjectHeader <= headerEnd; ++i) {
        const ByteFields object(file.ReadAt(pos, kObjectHeader));
        const std::string_view guid = object.View(0, kGuid);
        const std::uint64_t size = object.U64LE(kGuid);
        if (size < kObjectHeader) break; // an object smaller than its own header ends the walk
        CheckRange(pos, size, headerEnd, "header object");
        FileCursor cursor(file, pos + kObjectHeader, pos + size);

        if (guid == kFileProperties) {
            const ByteFields fields(
                file.ReadAt(pos, std::min<std::uint64_t>(size, kFilePropertiesNeeded)));
            data.maxBitRate = fields.U32LE(kMaxBitRate);
        } else if (guid == kStreamProperties && !data.streamFound) {
            const ByteFields fields(
                file.ReadAt(pos, std::min<std::uint64_t>(size, kStreamPropertiesNeeded)));
            // The first audio stream; a picture or video stream says nothing of the sound.
            if (fields.View(kStreamType, kGuid) == kAudioMedia) {
                data.channels = fields.U16LE(kStreamChannels);
                data.sampleRate = fields.U32LE(kStreamSampleRate);
                data.byteRate = fields.U32LE(kStreamByteRate);
                data.streamFound = true;
            }
        } else if (guid == kContentDescription) {
            cursor.Skip(kDescriptionFields - kObjectHeader);
            ReadContentDescription(cursor, data);
        } else if (guid == kExtendedContentDescription) {
            cursor.Skip(kDescriptionFields - kObjectHeader);
            ReadExtendedContentDescription(cursor, data);
        }
        pos += size;
    }
}

} // namespace

void TWMAfile::Reset() {
    Valid = false;
    FileSize = 0;
    Channels = 0;
    SampleRate = 0;
    Duration = 0;
    BitRate = 0;
    Title.clear();
    Artist.clear();
    Album.clear();
    Track = 0;
    Year.clear();
    Genre.clear();
    Comment.clear();
}

bool TWMAfile::ReadFromFile(const std::string& fileName) {
    Reset();
    FileData data;
    try {
        const ReadOnlyFile file(fileName);
        FileSize = static_cast<std::int64_t>(file.Size());
        if (!file.Holds(0, kGuid) || file.ReadAt(0, kGuid) != kHeaderObject) return true;
        ReadHeaderObjects(file, data);
    } catch (const EAudioRead&) {
        return false;
    }

    Valid = data.maxBitRate >= 1 && data.maxBitRate < kMaxBitRateLimit &&
            (data.channels == 1 || data.channels == 2) && data.sampleRate >= kMinSampleRate &&
            data.sampleRate <= kMaxSampleRate && data.byteRate >= 1 &&
            data.byteRate < kMaxByteRateLimit;
    if (!Valid) return true;

    Channels = data.channels;
    SampleRate = static_cast<std::int32_t>(data.sampleRate);
    Duration = static_cast<double>(FileSize) * 8 / data.maxBitRate;
    BitRate = static_cast<std::int32_t>(data.byteRate * 8 / 1000);
    Title = TrimBlanks(data.texts[kTitle]);
    Artist = TrimBlanks(data.texts[kArtist]);
    Album = TrimBlanks(data.texts[kAlbum]);
    Year = TrimBlanks(data.texts[kYear]);
    Genre = TrimBlanks(data.texts[kGenre]);
    Comment = TrimBlanks(data.texts[kComment]);
    std::string track = TrimBlanks(data.trackNumber);
    if (track.empty()) track = TrimBlanks(data.texts[kTrack]);
    std::int32_t number = 0;
    Track = ParseWholeNumber(track, number) ? number : 0;
    return true;
}

} // namespace sorvane
