// TFileInfo::GetMP3ExInfo: the first MPEG audio frame of a file, found after
// any ID3v2 tag, and the Xing/Info header that gives a variable-bit-rate
// file its frame count. Only the scanned bytes, the first frame and the
// header of the frame after it are read.
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/DocumentReaders.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace sorvane {

namespace {

// ID3v2 tag header: "ID3", version, revision, flags, a 28-bit syncsafe size.
constexpr std::size_t kId3v2HeaderBytes = 10;
constexpr std::size_t kId3v2Flags = 5;
constexpr std::size_t kId3v2Size = 6;
constexpr std::uint8_t kId3v2FooterFlag = 0x10;
constexpr int kMaxLeadingTags = 16;
// An ID3v1 tag: the last 128 bytes, starting "TAG".
constexpr std::uint64_t kId3v1Bytes = 128;

// How far past the tags the first frame is looked for: a file that holds no
// frame in its first mebibyte is no MP3, and a scan of gigabytes would stall a disk walk.
constexpr std::uint64_t kFrameSearchWindow = 1 << 20;
constexpr std::uint64_t kScanBlock = 4096;
// The longest frame (MPEG-2.5 Layer II, 160 kbit/s at 8 kHz, padded) and the next header.
constexpr std::uint64_t kLookAhead = 2881 + 4;

// Xing/Info header: the tag, 32-bit flags, then the fields the flags announce.
constexpr std::uint32_t kXingFrames = 0x1;
constexpr std::uint32_t kXingBytes = 0x2;

constexpr std::array<std::uint32_t, 4> kSampleRates[4] = {
    {11025, 12000, 8000, 0},  // index by version bits: 0 MPEG-2.5
    {0, 0, 0, 0},             // 1 reserved
    {22050, 24000, 16000, 0}, // 2 MPEG-2
    {44100, 48000, 32000, 0}, // 3 MPEG-1
};

// kbit/s by [MPEG-1?][layer - 1][index]: ISO/IEC 11172-3 and the
// low-sampling-frequency rows of ISO/IEC 13818-3 (also used by MPEG-2.5).
constexpr std::uint16_t kBitRates[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
};

struct FrameHeader {
    std::uint8_t version = 0; // 1, 2, 3 (MPEG-2.5); 0 reserved
    std::uint8_t layer = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitRate = 0;
    std::uint8_t channelMode = 0;
    std::uint8_t rights = 0;
    std::uint8_t original = 0;
    std::uint8_t protection = 0;
    std::uint8_t padding = 0;

    bool Valid() const { return version != 0 && layer != 0 && sampleRate != 0 && bitRate != 0; }

    // Bytes of the frame: slots of 4 bytes for Layer I, and for Layer III half
    // the samples per frame, so half the factor, in MPEG-2 and 2.5.
    std::uint32_t Length() const {
        if (!Valid()) return 0;
        if (layer == 1) return (12'000 * bitRate / sampleRate + padding) * 4;
        const std::uint32_t factor = layer == 3 && version != 1 ? 72'000 : 144'000;
        return factor * bitRate / sampleRate + padding;
    }

    std::uint32_t SamplesPerFrame() const {
        if (layer == 1) return 384;
        return layer == 3 && version != 1 ? 576 : 1152;
    }

    // Where the Xing/Info header starts in the frame: after the 4-byte header
    // and the side information, whose size depends on version and channels.
    std::uint32_t XingOffset() const {
        const bool mono = channelMode == 3;
        if (version == 1) return 4 + (mono ? 17 : 32);
        return 4 + (mono ? 9 : 17);
    }

    bool SameStream(const FrameHeader& other) const {
        return version == other.version && layer == other.layer && sampleRate == other.sampleRate;
    }
};

FrameHeader DecodeHeader(std::uint32_t word) {
    FrameHeader h;
    if ((word & 0xFFE00000u) != 0xFFE00000u) return h;
    const unsigned versionBits = (word >> 19) & 3;
    static constexpr std::uint8_t kVersions[4] = {3, 0, 2, 1};
    h.version = kVersions[versionBits];
    const unsigned layerBits = (word >> 17) & 3;
    h.layer = layerBits == 0 ? 0 : static_cast<std::uint8_t>(4 - layerBits);
    h.sampleRate = kSampleRates[versionBits][(word >> 10) & 3];
    h.protection = (word >> 16) & 1;
    h.padding = (word >> 9) & 1;
    h.channelMode = (word >> 6) & 3;
    h.rights = (word >> 3) & 1;
    h.original = (word >> 2) & 1;
    if (h.version != 0 && h.layer != 0)
        h.bitRate = kBitRates[h.version == 1 ? 1 : 0][h.layer - 1][(word >> 12) & 15];
    return h;
}

// Sequential reads of the scanned range in blocks, so that a search through
// leading junk does not make one system call per byte. A block reaches a
// frame's length past the last scan position it serves, so the look at the
// next frame's header never sends the buffer back and forth.
class ScanBuffer {
public:
    ScanBuffer(const ReadOnlyFile& file, std::uint64_t end) : file_(file), end_(end) {}

    // Makes [pos, pos + kLookAhead), cut at the end, readable from memory.
    void Cover(std::uint64_t pos) {
        const std::uint64_t want = std::min(end_, pos + kLookAhead);
        if (pos >= start_ && want <= start_ + block_.Size()) return;
        start_ = pos;
        block_ = ByteFields(
            file_.ReadAt(pos, std::min<std::uint64_t>(kScanBlock + kLookAhead, end_ - pos)));
    }

    // The big-endian word at `pos`, when its four bytes lie before the end.
    std::optional<std::uint32_t> WordAt(std::uint64_t pos) {
        if (!RangeInside(pos, 4, end_)) return std::nullopt;
        if (pos < start_ || pos + 4 > start_ + block_.Size()) Cover(pos);
        return block_.U32BE(pos - start_);
    }

private:
    const ReadOnlyFile& file_;
    std::uint64_t end_;
    std::uint64_t start_ = 0;
    ByteFields block_;
};

// The offset after the ID3v2 tags at the start of the file.
std::uint64_t SkipId3v2Tags(const ReadOnlyFile& file) {
    std::uint64_t pos = 0;
    for (int tag = 0; tag < kMaxLeadingTags && RangeInside(pos, kId3v2HeaderBytes, file.Size());
         ++tag) {
        const ByteFields h(file.ReadAt(pos, kId3v2HeaderBytes));
        if (!h.Matches(0, "ID3") || h.U8(3) == 0xFF || h.U8(4) == 0xFF) break;
        std::uint64_t size = 0;
        bool syncsafe = true;
        for (std::size_t i = 0; i < 4; ++i) {
            const std::uint8_t b = h.U8(kId3v2Size + i);
            syncsafe = syncsafe && b < 0x80;
            size = (size << 7) | (b & 0x7F);
        }
        if (!syncsafe) break;
        size += kId3v2HeaderBytes;
        if (h.U8(kId3v2Flags) & kId3v2FooterFlag) size += kId3v2HeaderBytes;
        // A tag that claims more than the file leaves no audio after it.
        if (!RangeInside(pos, size, file.Size())) return file.Size();
        pos += size;
    }
    return pos;
}

void Store(const FrameHeader& h, MpegInfoRec& info) {
    info.MpegVersion = h.version;
    info.MpegLayer = h.layer;
    info.MpegSampleRate = h.sampleRate;
    info.MpegBitRate = h.bitRate;
    info.MpegChannelMode = h.channelMode;
    info.MpegRightsBit = h.rights;
    info.MpegOriginalCopyBit = h.original;
    info.MpegProtectionBit = h.protection;
    info.MpegPaddingBit = h.padding;
}

std::uint16_t Seconds16(std::uint64_t seconds) {
    if (seconds > 0xFFFF)
        throw std::range_error("MPEG duration of " + std::to_string(seconds) +
                               " seconds does not fit its field");
    return static_cast<std::uint16_t>(seconds);
}

// Frame count and stream bytes of a Xing ("Xing", variable rate) or Info
// (constant rate) header inside the first frame, when there is one. Only a
// Xing header's figures are averaged over.
struct XingHeader {
    bool variable = false;
    std::uint32_t frames = 0;
    std::uint32_t bytes = 0;
};

std::optional<XingHeader> FindXing(const ByteFields& frame, const FrameHeader& h) {
    std::uint32_t offsets[2] = {h.XingOffset(), h.XingOffset() + 2}; // + 2 after a checksum
    for (int i = 0; i < (h.protection == 0 ? 2 : 1); ++i) {
        const std::uint32_t at = offsets[i];
        const bool xing = frame.Matches(at, "Xing");
        if (!xing && !frame.Matches(at, "Info")) continue;
        if (!frame.Holds(at + 4, 4)) return std::nullopt;
        const std::uint32_t flags = frame.U32BE(at + 4);
        XingHeader x;
        x.variable = xing;
        std::uint32_t field = at + 8;
        if (flags & kXingFrames) {
            if (!frame.Holds(field, 4)) return std::nullopt;
            x.frames = frame.U32BE(field);
            field += 4;
        }
        if ((flags & kXingBytes) && frame.Holds(field, 4)) x.bytes = frame.U32BE(field);
        if (x.frames == 0) return std::nullopt;
        return x;
    }
    return std::nullopt;
}

} // namespace

void TFileInfo::GetMP3ExInfo(MpegInfoRec& info) {
    info = MpegInfoRec{};
    ReadOnlyFile file;
    switch (file.Open(fileName_)) {
    case ReadOnlyFile::OpenResult::Opened:
        break;
    case ReadOnlyFile::OpenResult::Missing:
        info.MpegStatus = 0;
        return;
    case ReadOnlyFile::OpenResult::Directory:
    case ReadOnlyFile::OpenResult::CannotOpen:
        info.MpegStatus = 1;
        return;
    }
    info.MpegFileSize = file.Size();
    if (file.Size() <= 5) return;

    const std::uint64_t audioStart = SkipId3v2Tags(file);
    std::uint64_t audioEnd = file.Size();
    if (audioEnd >= audioStart + kId3v1Bytes && file.ReadAt(audioEnd - kId3v1Bytes, 3) == "TAG")
        audioEnd -= kId3v1Bytes;
    const std::uint64_t searchEnd = std::min(audioEnd, audioStart + kFrameSearchWindow);

    ScanBuffer scan(file, audioEnd);
    std::optional<std::uint64_t> found;
    FrameHeader first;
    for (std::uint64_t pos = audioStart; pos < searchEnd && !found; ++pos) {
        scan.Cover(pos);
        const std::optional<std::uint32_t> word = scan.WordAt(pos);
        if (!word) break;
        const FrameHeader h = DecodeHeader(*word);
        if (!h.Valid()) continue;
        const std::uint32_t length = h.Length();
        if (!RangeInside(pos, length, audioEnd)) continue;
        // A lone sync pattern is easily met in other data; a frame is taken when
        // the next one follows with the same stream parameters, or when it is
        // the whole audio (a file of one frame).
        const std::uint64_t next = pos + length;
        if (pos != audioStart || audioEnd - next >= 4) {
            const std::optional<std::uint32_t> nextWord = scan.WordAt(next);
            if (!nextWord || !DecodeHeader(*nextWord).SameStream(h)) continue;
        }
        found = pos;
        first = h;
    }
    if (!found) {
        info.MpegStatus = 2;
        file.Close();
        return;
    }

    Store(first, info);
    info.MpegFramePosition = *found;
    const std::uint32_t length = first.Length();
    info.MpegFrameLength = static_cast<std::uint16_t>(length); // at most kLookAhead - 4
    const std::uint64_t audioBytes = audioEnd - *found;
    std::uint64_t seconds = audioBytes * 8 / (std::uint64_t{first.bitRate} * 1000);

    const std::optional<XingHeader> xing = FindXing(ByteFields(file.ReadAt(*found, length)), first);
    if (xing && !xing->variable) {
        // Constant rate: LAME's Info frame carries no audio and may be of a higher
        // rate than the stream, to make room for the header. The rate and frame
        // length are those of the frame after it; its bytes are not played.
        FrameHeader stream = first;
        if (const std::optional<std::uint32_t> word = scan.WordAt(*found + length)) {
            const FrameHeader next = DecodeHeader(*word);
            if (next.Valid() && next.SameStream(first)) stream = next;
        }
        info.MpegBitRate = stream.bitRate;
        info.MpegFrameLength = static_cast<std::uint16_t>(stream.Length());
        seconds = (audioBytes - length) * 8 / (std::uint64_t{stream.bitRate} * 1000);
    } else if (xing) {
        const std::uint64_t samples = std::uint64_t{xing->frames} * first.SamplesPerFrame();
        const std::uint64_t bytes =
            xing->bytes != 0 && xing->bytes <= audioBytes ? xing->bytes : audioBytes;
        const std::uint64_t averageLength = bytes / xing->frames;
        // bytes x 8 / (samples / rate) / 1000, in whole kbit/s.
        const auto averageRate = static_cast<std::uint64_t>(static_cast<long double>(bytes) * 8 *
                                                            first.sampleRate / samples / 1000);
        // A frame count that gives an average frame beyond 16 bits or a rate of 0 is damage,
        // and the header is ignored.
        if (averageLength > 0 && averageLength <= 0xFFFF && averageRate > 0) {
            info.MpegVariableBitRate = true;
            seconds = samples / first.sampleRate;
            info.MpegFrameLength = static_cast<std::uint16_t>(averageLength);
            info.MpegBitRate = static_cast<std::uint32_t>(averageRate);
        }
    }
    info.MpegDuration = Seconds16(seconds);
    file.Close();
}

} // namespace sorvane
