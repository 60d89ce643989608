// GetAVIInfo: a walk over the RIFF chunks of an AVI file that reads chunk
// headers, list types and the 56-byte main header, and skips everything else
// (the "movi" list of the frames above all) without reading it.
#include "catalogue/metadata/ByteReader.h"
#include "catalogue/metadata/DocumentReaders.h"

#include <limits>
#include <optional>
#include <vector>

namespace sorvane {

namespace {

constexpr std::uint64_t kRiffHeaderBytes = 8; // "RIFF", 32-bit length
constexpr std::uint64_t kFormTypeBytes = 4;
constexpr std::uint64_t kChunkHeaderBytes = 8; // identifier, 32-bit size
constexpr std::uint64_t kListTypeBytes = 4;
constexpr std::size_t kMaxOpenContainers = 10;

// The main header "avih" and the fields taken from it.
constexpr std::uint64_t kMainHeaderBytes = 56;
constexpr std::size_t kMicroSecPerFrame = 0;
constexpr std::size_t kTotalFrames = 16;
constexpr std::size_t kWidth = 32;
constexpr std::size_t kHeight = 36;
constexpr std::uint64_t kMicrosecondsPerSecond = 1'000'000;

struct MainHeader {
    std::uint32_t microSecPerFrame;
    std::uint32_t totalFrames;
    std::int32_t width;
    std::int32_t height;
};

MainHeader ReadMainHeader(const ByteFields& bytes) {
    return {bytes.U32LE(kMicroSecPerFrame), bytes.U32LE(kTotalFrames),
            static_cast<std::int32_t>(bytes.U32LE(kWidth)),
            static_cast<std::int32_t>(bytes.U32LE(kHeight))};
}

// The bytes, or nothing when the read fails (a structure error of the walk).
std::optional<std::string> TryRead(const ReadOnlyFile& file, std::uint64_t offset,
                                   std::uint64_t length) {
    try {
        return file.ReadAt(offset, length);
    } catch (const EDamagedFile&) {
    }
    return std::nullopt;
}

} // namespace

int GetAVIInfo(const std::string& fileName, std::int32_t& width, std::int32_t& height,
               std::int32_t& duration, std::uint8_t& framesPerSecond) {
    ReadOnlyFile file;
    if (file.Open(fileName) != ReadOnlyFile::OpenResult::Opened) return kAviCannotOpen;

    const std::optional<std::string> riff = TryRead(file, 0, kRiffHeaderBytes);
    if (!riff) return kAviNoHeader;
    const ByteFields riffView(*riff);
    if (!riffView.Matches(0, "RIFF")) return kAviNotRiff;
    const std::uint64_t end = kRiffHeaderBytes + riffView.U32LE(4);
    if (file.Size() < end) return kAviShort;
    if (end < kRiffHeaderBytes + kFormTypeBytes) return kAviNoHeader;
    const std::optional<std::string> form = TryRead(file, kRiffHeaderBytes, kFormTypeBytes);
    if (!form) return kAviNoHeader;
    if (*form != "AVI ") return kAviNotAvi;

    // The end offset of every open container; the RIFF form is the first.
    std::vector<std::uint64_t> open{end};
    std::uint64_t pos = kRiffHeaderBytes + kFormTypeBytes;
    bool damaged = false;
    while (pos < end) {
        while (open.size() > 1 && pos >= open.back())
            open.pop_back();
        const std::uint64_t containerEnd = open.back();
        if (containerEnd - pos < kChunkHeaderBytes) {
            damaged = true;
            break;
        }
        const std::optional<std::string> header = TryRead(file, pos, kChunkHeaderBytes);
        if (!header) {
            damaged = true;
            break;
        }
        const ByteFields chunk(*header);
        const std::string_view id = chunk.View(0, 4);
        const std::uint32_t size = chunk.U32LE(4);
        const std::uint64_t data = pos + kChunkHeaderBytes;
        // A chunk must lie inside its container; only its pad byte may be missing there.
        if (!RangeInside(data, size, containerEnd)) {
            damaged = true;
            break;
        }
        const std::uint64_t next = std::min<std::uint64_t>(data + size + (size & 1), containerEnd);

        if (id == "LIST") {
            const std::optional<std::string> type =
                size >= kListTypeBytes ? TryRead(file, data, kListTypeBytes) : std::nullopt;
            if (!type) {
                damaged = true;
                break;
            }
            if (*type == "movi") {
                pos = next;
                continue;
            }
            if (open.size() >= kMaxOpenContainers) {
                damaged = true;
                break;
            }
            open.push_back(next);
            pos = data + kListTypeBytes;
            continue;
        }
        if (id == "avih") {
            const std::optional<std::string> bytes =
                size >= kMainHeaderBytes ? TryRead(file, data, kMainHeaderBytes) : std::nullopt;
            if (!bytes) {
                damaged = true;
                break;
            }
            const MainHeader main = ReadMainHeader(ByteFields(*bytes));
            if (main.microSecPerFrame == 0)
                throw EDamagedFile("AVI main header gives a frame time of 0");
            const std::uint32_t rate = kMicrosecondsPerSecond / main.microSecPerFrame;
            if (rate > std::numeric_limits<std::uint8_t>::max())
                throw EDamagedFile("AVI frame rate of " + std::to_string(rate) +
                                   " does not fit its field");
            // The playing time from the frame time, not from the rate cut to whole
            // frames per second (which makes 29.97 fps play 3% too long). The frame
            // time is stored cut to whole microseconds (83,333 for 12 fps), so up
            // to one microsecond per frame is given back.
            const std::uint64_t seconds =
                (std::uint64_t{main.totalFrames} * main.microSecPerFrame + main.totalFrames) /
                kMicrosecondsPerSecond;
            if (seconds > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
                throw EDamagedFile("AVI playing time does not fit its field");
            width = main.width;
            height = main.height;
            framesPerSecond = static_cast<std::uint8_t>(rate);
            duration = static_cast<std::int32_t>(seconds);
        }
        // "JUNK" and every other chunk: skipped unread.
        pos = next;
    }
    if (!file.Close()) return kAviCloseFailed;
    return damaged ? kAviBadStructure : kAviRead;
}

} // namespace sorvane
