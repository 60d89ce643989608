// The ID3v2 tag reader: the text, comment and link frames of versions 2.2,
// 2.3 and 2.4, in the four text encodings.
#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/ByteReader.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>

namespace sorvane {

namespace {

// The tag header: "ID3", version, revision, flags, synchsafe size.
constexpr std::size_t kTagHeader = 10;
constexpr std::size_t kVersion = 3, kFlags = 5, kTagSizeField = 6;
constexpr std::uint8_t kUnsynchronised = 0x80, kExtendedHeader = 0x40, kFooter = 0x10;
constexpr std::size_t kFooterSize = 10;

// Frame headers: version 2.2 has a 3-byte identifier and a 24-bit size; 2.3
// and 2.4 a 4-byte identifier, a 32-bit size (synchsafe in 2.4) and two flag
// bytes, the second of which tells how the data are stored.
constexpr std::size_t kFrameHeader22 = 6, kFrameHeader = 10;
constexpr std::size_t kFrameSize = 4, kFrameSize22 = 3, kFormatFlags = 9;
constexpr std::uint8_t kCompressed23 = 0x80, kEncrypted23 = 0x40;
constexpr std::uint8_t kCompressed24 = 0x08, kEncrypted24 = 0x04, kUnsynchronised24 = 0x02,
                       kDataLength24 = 0x01;
constexpr std::size_t kDataLengthField = 4;

// Of a frame's data at most this much is read; the rest is passed over.
constexpr std::size_t kMaxFrameData = 500;
// Real tags hold a few dozen frames; a damaged one may claim millions.
constexpr int kMaxFrames = 4096;

enum Slot : std::size_t {
    kTitle,
    kArtist,
    kAlbum,
    kTrack,
    kYear,
    kGenre,
    kComment,
    kComposer,
    kEncoder,
    kCopyright,
    kLanguage,
    kLink,
    kRecordingTime,
    kOriginalArtist,
    kContentGroup,
    kOriginalAlbum,
    kSlots
};
constexpr std::array<std::string_view, kSlots> kFrames = {
    "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM", "TCOM",
    "TENC", "TCOP", "TLAN", "WXXX", "TDRC", "TOPE", "TIT1", "TOAL"};
constexpr std::array<std::string_view, kSlots> kFrames22 = {
    "TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM", "TCM",
    "TEN", "TCR", "TLA", "WXX", "TOR", "TOA", "TT1", "TOT"};

// The text encodings of ID3v2.
constexpr std::uint8_t kLatin1 = 0, kUtf16 = 1, kUtf16BE = 2, kUtf8 = 3;

// A frame's data as read: its bytes (at most kMaxFrameData) and whether the
// frame held more.
struct FrameData {
    std::string bytes;
    bool cut = false;
};

// Undoes unsynchronisation: every 0xFF 0x00 pair stands for 0xFF.
std::string Resynchronise(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == '\xFF' && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
    }
    return out;
}

// Four 7-bit bytes, most significant first, as ID3v2 keeps its sizes.
std::uint32_t Synchsafe32(const ByteFields& bytes, std::uint64_t at) {
    std::uint32_t value = 0;
    for (char byte : bytes.View(at, 4))
        value = value << 7 | (static_cast<std::uint8_t>(byte) & 0x7F);
    return value;
}

bool IsWide(std::uint8_t encoding) {
    return encoding == kUtf16 || encoding == kUtf16BE;
}

// The text of `bytes` in `encoding`, up to its terminator.
std::string DecodeText(std::uint8_t encoding, std::string_view bytes, bool cut) {
    switch (encoding) {
    case kUtf16:
        return Utf16TextWithBom(bytes);
    case kUtf16BE:
        return Utf16Text(bytes, true);
    case kUtf8: {
        const std::size_t zero = bytes.find('\0');
        return Utf8Text(bytes.substr(0, zero), cut && zero == std::string_view::npos);
    }
    default:
        return Windows1252Text(bytes.substr(0, bytes.find('\0')));
    }
}

// A text frame: its encoding byte, then the text.
std::string FrameText(const FrameData& frame) {
    if (frame.bytes.empty()) return {};
    const auto encoding = static_cast<std::uint8_t>(frame.bytes[0]);
    return TrimBlanks(DecodeText(encoding, std::string_view(frame.bytes).substr(1), frame.cut));
}

// Where the bytes after a terminated text start: one zero byte ends it in
// the 8-bit encodings, a zero unit in the wide ones. npos without one.
std::size_t AfterTerminator(std::uint8_t encoding, std::string_view bytes, std::size_t from) {
    if (!IsWide(encoding)) {
        const std::size_t zero = bytes.find('\0', from);
        return zero == std::string_view::npos ? zero : zero + 1;
    }
    for (std::size_t at = from; at + 1 < bytes.size(); at += 2)
        if (bytes[at] == '\0' && bytes[at + 1] == '\0') return at + 2;
    return std::string_view::npos;
}

// "COMM": encoding, 3-byte language, terminated description, the comment.
std::string CommentText(const FrameData& frame) {
    constexpr std::size_t kDescription = 4;
    const std::string_view bytes = frame.bytes;
    if (bytes.size() <= kDescription) return {};
    const auto encoding = static_cast<std::uint8_t>(bytes[0]);
    const std::size_t text = AfterTerminator(encoding, bytes, kDescription);
    if (text == std::string_view::npos) return {};
    return TrimBlanks(DecodeText(encoding, bytes.substr(text), frame.cut));
}

// "WXXX": encoding, terminated description, then the address, always Latin-1.
std::string LinkText(const FrameData& frame) {
    constexpr std::size_t kDescription = 1;
    const std::string_view bytes = frame.bytes;
    if (bytes.size() <= kDescription) return {};
    const std::size_t link =
        AfterTerminator(static_cast<std::uint8_t>(bytes[0]), bytes, kDescription);
    if (link == std::string_view::npos) return {};
    return TrimBlanks(DecodeText(kLatin1, bytes.substr(link), frame.cut));
}

// Reads the frames of the tag into their slots. A read outside the file ends
// the frames; what was found stays.
void ReadFrames(const ReadOnlyFile& file, const ByteFields& header, std::uint64_t tagSize,
                std::array<FrameData, kSlots>& slots) {
    const std::uint8_t version = header.U8(kVersion);
    const std::uint8_t flags = header.U8(kFlags);
    const bool v22 = version == 2, v24 = version == 4;
    const std::uint64_t footer = (flags & kFooter) != 0 ? kFooterSize : 0;
    const std::uint64_t end = tagSize - footer;
    const auto& names = v22 ? kFrames22 : kFrames;
    const std::size_t idLength = v22 ? 3 : 4;
    const std::size_t headerLength = v22 ? kFrameHeader22 : kFrameHeader;

    std::uint64_t pos = kTagHeader;
    if ((flags & kExtendedHeader) != 0) {
        // In 2.2 this flag marks a compressed tag, for which no method was ever given.
        if (v22) return;
        const ByteFields extended(file.ReadAt(kTagHeader, 4));
        // 2.3 counts the bytes after the size field, 2.4 the whole extended header.
        pos = v24 ? kTagHeader + Synchsafe32(extended, 0) : kTagHeader + 4 + extended.U32BE(0);
    }

    for (int count = 0; count < kMaxFrames && pos + headerLength <= end; ++count) {
        const ByteFields frame(file.ReadAt(pos, headerLength));
        const std::string_view id = frame.View(0, idLength);
        if (id[0] < 'A' || id[0] > 'Z') break; // padding, or the end of the frames
        const std::uint64_t size = v22   ? frame.U24BE(kFrameSize22)
                                   : v24 ? Synchsafe32(frame, kFrameSize)
                                         : frame.U32BE(kFrameSize);
        const std::uint64_t data = pos + headerLength;
        if (size > end - data) break; // a frame that runs past the tag
        pos = data + size;

        const auto slot = std::find(names.begin(), names.end(), id);
        if (slot == names.end()) continue;
        const std::uint8_t format = v22 ? 0 : frame.U8(kFormatFlags);
        const bool stored = v24 ? (format & (kCompressed24 | kEncrypted24)) != 0
                                : (format & (kCompressed23 | kEncrypted23)) != 0;
        if (stored) continue;

        const std::size_t prefix = v24 && (format & kDataLength24) != 0 ? kDataLengthField : 0;
        if (size < prefix) continue;
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxFrameData + prefix));
        std::string bytes = file.ReadAt(data, take).substr(prefix);
        if ((flags & kUnsynchronised) != 0 || (v24 && (format & kUnsynchronised24) != 0))
            bytes = Resynchronise(bytes);
        if (bytes.empty() || static_cast<std::uint8_t>(bytes[0]) > kUtf8) continue;
        FrameData& into = slots[static_cast<std::size_t>(slot - names.begin())];
        into.bytes = std::move(bytes);
        into.cut = size > take;
    }
}

} // namespace

std::uint64_t Id3v2TagSize(std::string_view headerBytes) {
    const ByteFields header{std::string(headerBytes)};
    if (!header.Matches(0, "ID3") || !header.Holds(kTagSizeField, 4)) return 0;
    // The size bytes carry 7 bits each; a damaged byte keeps its eighth bit, as
    // b6 x 2^21 + b7 x 2^14 + b8 x 2^7 + b9.
    std::uint64_t size = 0;
    for (std::size_t i = 0; i < 4; ++i)
        size = size * 128 + header.U8(kTagSizeField + i);
    return size + kTagHeader + ((header.U8(kFlags) & kFooter) != 0 ? kFooterSize : 0);
}

void TID3v2::Reset() {
    Exists = false;
    VersionID = 0;
    Size = 0;
    Title.clear();
    Artist.clear();
    Album.clear();
    Track = 0;
    TrackString.clear();
    Year.clear();
    Genre.clear();
    Comment.clear();
    Composer.clear();
    Encoder.clear();
    RightsNotice.clear();
    Language.clear();
    Link.clear();
}

bool TID3v2::ReadFromFile(const std::string& fileName) {
    Reset();
    std::array<FrameData, kSlots> slots;
    try {
        const ReadOnlyFile file(fileName);
        if (!file.Holds(0, kTagHeader)) return false;
        const ByteFields header(file.ReadAt(0, kTagHeader));
        if (!header.Matches(0, "ID3")) return true;

        Exists = true;
        VersionID = header.U8(kVersion);
        const std::uint64_t tagSize = Id3v2TagSize(header.Bytes());
        Size = tagSize <= file.Size() ? static_cast<std::int32_t>(tagSize) : 0;
        if ((VersionID == 2 || VersionID == 3 || VersionID == 4) && Size > 0) {
            try {
                ReadFrames(file, header, static_cast<std::uint64_t>(Size), slots);
            } catch (const EAudioRead&) {
                // A damaged frame ends the frames; the slots found so far stay.
            }
        }
    } catch (const EAudioRead&) {
        return false;
    }

    auto slotText = [&](Slot slot) { return FrameText(slots[slot]); };
    auto either = [&](Slot first, Slot second) {
        std::string value = slotText(first);
        return value.empty() ? slotText(second) : value;
    };
    Title = either(kTitle, kContentGroup);
    Artist = either(kArtist, kOriginalArtist);
    Album = either(kAlbum, kOriginalAlbum);

    TrackString = slotText(kTrack);
    std::int32_t track = 0;
    if (ParseWholeNumber(std::string_view(TrackString).substr(0, TrackString.find('/')), track) &&
        track >= 0 && track <= 0xFFFF)
        Track = static_cast<std::uint16_t>(track);

    Year = slotText(kYear);
    if (Year.empty()) {
        const std::string recorded = slotText(kRecordingTime); // "2004-05-06T10:00"
        Year = std::string(text::FirstChars(recorded, 4));
    }

    // "(17)Rock" keeps "Rock"; a bare reference "(13)" leaves nothing.
    Genre = slotText(kGenre);
    const std::size_t close = Genre.rfind(')');
    if (close != std::string::npos) Genre = TrimBlanks(std::string_view(Genre).substr(close + 1));

    Comment = CommentText(slots[kComment]);
    Link = LinkText(slots[kLink]);
    Composer = slotText(kComposer);
    Encoder = slotText(kEncoder);
    RightsNotice = slotText(kCopyright);
    Language = slotText(kLanguage);
    return true;
}

void TID3v2::SetYear(std::string_view text) {
    Year = TrimBlanks(text);
}

} // namespace sorvane
