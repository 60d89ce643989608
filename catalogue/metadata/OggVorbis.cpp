// The Ogg Vorbis reader: the identification and comment headers of the
// stream, and its sample total from the granule position of its last page.
#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/ByteReader.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sorvane {

namespace {

// The page header: "OggS", version, type, 64-bit granule position, serial
// number, page sequence, checksum, segment count, then the segment table.
constexpr std::size_t kPageHeader = 27;
constexpr std::size_t kPageVersion = 4, kGranule = 6, kSerial = 14, kSegments = 26;
constexpr std::size_t kGranuleHeader = 18; // the bytes up to the end of the serial number
constexpr std::uint8_t kLacingMore = 255;  // a segment of 255 bytes: the packet goes on
constexpr std::int64_t kNoGranule = -1;    // no packet ends on the page

// The identification header: type 1, "vorbis", version, channels, rate, the
// maximum, nominal and minimum bit rates, block sizes, framing.
constexpr std::size_t kPacketSignature = 7;
constexpr std::size_t kIdHeader = 30;
constexpr std::size_t kChannels = 11, kSampleRate = 12, kNominalBitRate = 20;

// Of every comment at most this much is read; the rest is passed over.
constexpr std::size_t kMaxCommentBytes = 250;
// A packet spread over more pages than this is taken for damage: a header of
// 4096 pages would be some 260 MB.
constexpr int kMaxPages = 4096;
// The last page starts at most one page (27 + 255 + 255 x 255 bytes) from the
// end; the search back reads that far, a chunk at a time, and no further.
constexpr std::uint64_t kMaxPageSize = kPageHeader + 255 + 255 * 255;
constexpr std::size_t kTailChunk = 4096;

// The nine comment names, in slot order.
enum Slot : std::size_t {
    kTitle,
    kArtist,
    kAlbum,
    kTrackNumber,
    kDate,
    kGenre,
    kComment,
    kPerformer,
    kDescription,
    kSlots
};
constexpr std::array<std::string_view, kSlots> kCommentNames = {
    "TITLE", "ARTIST",  "ALBUM",     "TRACKNUMBER", "DATE",
    "GENRE", "COMMENT", "PERFORMER", "DESCRIPTION"};

// The packets of one logical stream, read across its pages: only the page
// headers and the packet bytes asked for are fetched. Pages of other streams
// are passed over. A read past the end of a packet raises EAudioRead.
class OggPackets {
public:
    explicit OggPackets(const ReadOnlyFile& file) : file_(file) {}

    // Starts on the first packet of the page at `pos`; false when no page is there.
    bool Begin(std::uint64_t pos) {
        if (!file_.Holds(pos, 4) || file_.ReadAt(pos, 4) != "OggS") return false;
        LoadPage(pos, /*anySerial=*/true);
        lastOfPacket_ = false;
        segment_ = static_cast<std::size_t>(-1);
        segmentLeft_ = 0;
        NextSegment();
        return true;
    }

    std::uint32_t Serial() const { return serial_; }

    std::string Read(std::size_t count) {
        std::string out;
        Take(count, &out);
        return out;
    }
    void Skip(std::uint64_t count) { Take(count, nullptr); }
    std::uint32_t U32LE() { return ByteFields(Read(4)).U32LE(0); }

    // Passes the rest of this packet and starts on the next one.
    void NextPacket() {
        while (!lastOfPacket_)
            NextSegment();
        NextSegment();
    }

private:
    void Take(std::uint64_t count, std::string* out) {
        while (count > 0) {
            if (segmentLeft_ == 0) {
                if (lastOfPacket_) throw EAudioRead("Ogg packet shorter than its contents");
                NextSegment();
                continue;
            }
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(count, segmentLeft_));
            if (out != nullptr) *out += file_.ReadAt(segmentPos_, n);
            segmentPos_ += n;
            segmentLeft_ -= n;
            count -= n;
        }
    }

    void NextSegment() {
        segmentPos_ += segmentLeft_;
        segmentLeft_ = 0;
        ++segment_;
        while (segment_ >= lacing_.size())
            LoadPage(nextPage_, /*anySerial=*/false);
        const auto length = static_cast<std::uint8_t>(lacing_[segment_]);
        segmentLeft_ = length;
        lastOfPacket_ = length < kLacingMore;
    }

    // Makes the page at `pos` (or the next one of this stream) the current page.
    void LoadPage(std::uint64_t pos, bool anySerial) {
        for (;;) {
            if (++pages_ > kMaxPages) throw EAudioRead("Ogg packet spread over too many pages");
            const ByteFields header(file_.ReadAt(pos, kPageHeader));
            if (!header.Matches(0, "OggS")) throw EAudioRead("Ogg page expected");
            std::string lacing = file_.ReadAt(pos + kPageHeader, header.U8(kSegments));
            std::uint64_t body = 0;
            for (char length : lacing)
                body += static_cast<std::uint8_t>(length);
            const std::uint64_t data = pos + kPageHeader + lacing.size();
            const std::uint32_t serial = header.U32LE(kSerial);
            if (anySerial || serial == serial_) {
                serial_ = serial;
                lacing_ = std::move(lacing);
                segment_ = 0;
                segmentPos_ = data;
                nextPage_ = data + body;
                if (!lacing_.empty()) return;
                anySerial = false;
            }
            pos = data + body;
        }
    }

    const ReadOnlyFile& file_;
    std::uint32_t serial_ = 0;
    std::string lacing_;            // the segment table of the current page
    std::size_t segment_ = 0;       // the current segment in it
    std::uint64_t segmentPos_ = 0;  // file offset of the current segment's next byte
    std::uint64_t segmentLeft_ = 0; // its bytes not yet taken
    std::uint64_t nextPage_ = 0;
    bool lastOfPacket_ = true; // the current segment ends its packet
    int pages_ = 0;
};

// The granule position of the last page of stream `serial` that has one: the
// sample total. Zero when no such page lies within a page's length of the end.
std::int64_t LastGranule(const ReadOnlyFile& file, std::uint64_t streamStart,
                         std::uint32_t serial) {
    const std::uint64_t size = file.Size();
    const std::uint64_t lowest =
        std::max(streamStart, size > kMaxPageSize ? size - kMaxPageSize : 0);
    for (std::uint64_t end = size; end > lowest;) {
        const std::uint64_t begin = end - lowest > kTailChunk ? end - kTailChunk : lowest;
        // A page header that starts in [begin, end) may reach past `end`.
        const std::uint64_t readEnd = std::min<std::uint64_t>(end + kGranuleHeader - 1, size);
        const ByteFields chunk(file.ReadAt(begin, readEnd - begin));
        for (std::size_t at = static_cast<std::size_t>(end - begin); at-- > 0;) {
            if (!chunk.Matches(at, "OggS") || !chunk.Holds(at, kGranuleHeader)) continue;
            if (chunk.U8(at + kPageVersion) != 0 || chunk.U32LE(at + kSerial) != serial) continue;
            const auto granule = static_cast<std::int64_t>(chunk.U64LE(at + kGranule));
            if (granule != kNoGranule) return granule;
        }
        end = begin;
    }
    return 0;
}

// One comment text: at most kMaxCommentBytes of `length` are read, the rest passed over.
std::string CommentText(OggPackets& packets, std::uint32_t length) {
    const std::size_t take = std::min<std::size_t>(length, kMaxCommentBytes);
    const std::string bytes = packets.Read(take);
    packets.Skip(length - take);
    return TrimBlanks(Utf8Text(bytes, length > take));
}

// Reads the comment header (after its signature) into the slots and the vendor.
void ReadComments(OggPackets& packets, std::uint64_t fileSize,
                  std::array<std::string, kSlots>& slots, std::string& vendor) {
    vendor = CommentText(packets, packets.U32LE());
    // Every comment takes at least its 4-byte length, so no file holds more
    // than a quarter of its size in comments.
    const std::uint64_t count = std::min<std::uint64_t>(packets.U32LE(), fileSize / 4);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::string text = CommentText(packets, packets.U32LE());
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos) {
            if (vendor.empty()) vendor = text;
            continue;
        }
        const std::string name = AsciiUpper(TrimBlanks(std::string_view(text).substr(0, equals)));
        const auto slot = std::find(kCommentNames.begin(), kCommentNames.end(), name);
        if (slot != kCommentNames.end())
            slots[static_cast<std::size_t>(slot - kCommentNames.begin())] =
                TrimBlanks(std::string_view(text).substr(equals + 1));
    }
}

} // namespace

void TOggVorbis::Reset() {
    FileSize = 0;
    Channels = 0;
    SampleRate = 0;
    BitRateNominal = 0;
    Samples = 0;
    ID3v2Size = 0;
    Title.clear();
    Artist.clear();
    Album.clear();
    Track = 0;
    Date.clear();
    Genre.clear();
    Comment.clear();
    Vendor.clear();
}

bool TOggVorbis::ReadFromFile(const std::string& fileName) {
    Reset();
    const ReadOnlyFile file(fileName);
    FileSize = static_cast<std::int64_t>(file.Size());

    // An ID3v2 tag in front of the stream is passed over.
    std::uint64_t first = 0;
    if (file.Holds(0, 10)) {
        const std::uint64_t tag = Id3v2TagSize(file.ReadAt(0, 10));
        if (tag <= file.Size()) first = tag;
    }
    ID3v2Size = FitField<std::int32_t>(static_cast<std::int64_t>(first), "ID3v2 size");

    OggPackets packets(file);
    if (!packets.Begin(first)) return false;
    const std::string signature = packets.Read(kPacketSignature);
    if (signature != std::string_view("\x01vorbis", kPacketSignature)) return false;
    const ByteFields id(signature + packets.Read(kIdHeader - kPacketSignature));

    std::array<std::string, kSlots> slots;
    std::string vendor;
    try {
        packets.NextPacket();
        if (packets.Read(kPacketSignature) == std::string_view("\x03vorbis", kPacketSignature))
            ReadComments(packets, file.Size(), slots, vendor);
    } catch (const EAudioRead&) {
        // A damaged comment header ends the comments; the stream is still known.
    }

    const std::int64_t samples = LastGranule(file, first, packets.Serial());
    Channels = id.U8(kChannels);
    SampleRate = FitField<std::uint16_t>(id.U32LE(kSampleRate), "sample rate");
    const auto nominal = static_cast<std::int32_t>(id.U32LE(kNominalBitRate));
    BitRateNominal = FitField<std::uint16_t>(std::llround(nominal / 1000.0), "nominal bit rate");
    Samples = FitField<std::int32_t>(samples, "sample total");

    Title = slots[kTitle];
    Artist = slots[kArtist].empty() ? slots[kPerformer] : slots[kArtist];
    Album = slots[kAlbum];
    std::int32_t track = 0;
    const std::string& trackText = slots[kTrackNumber];
    if (ParseWholeNumber(std::string_view(trackText).substr(0, trackText.find('/')), track) &&
        track >= 0 && track <= 255)
        Track = static_cast<std::uint8_t>(track);
    Date = slots[kDate];
    Genre = slots[kGenre];
    Comment = slots[kComment].empty() ? slots[kDescription] : slots[kComment];
    Vendor = vendor;
    return true;
}

double TOggVorbis::GetDuration() const {
    if (Samples > 0 && SampleRate > 0) return static_cast<double>(Samples) / SampleRate;
    // Without a sample total, from the nominal bit rate.
    if (BitRateNominal > 0 && Channels > 0)
        return static_cast<double>(FileSize - ID3v2Size) / BitRateNominal / Channels / 125 * 2;
    return 0;
}

std::uint16_t TOggVorbis::GetBitRate() const {
    const double duration = GetDuration();
    if (duration <= 0) return 0;
    const double rate = std::round(static_cast<double>(FileSize - ID3v2Size) / duration / 125);
    return static_cast<std::uint16_t>(std::clamp(rate, 0.0, 65535.0));
}

bool TOggVorbis::IsValid() const {
    return (Channels == 1 || Channels == 2) && SampleRate > 0 && GetDuration() > 0.1 &&
           GetBitRate() > 0;
}

} // namespace sorvane
