// The RIFF/WAVE reader: the "fmt " chunk, a "fact" sample count and the size
// of the "data" chunk.
#include "catalogue/metadata/AudioReaders.h"
#include "catalogue/metadata/ByteReader.h"

#include <algorithm>

namespace sorvane {

namespace {

// The RIFF header and the "fmt " chunk, at their fixed places.
constexpr std::size_t kRiffId = 0;     // "RIFF"
constexpr std::size_t kRiffLength = 4; // bytes after this field
constexpr std::size_t kWaveId = 8;     // "WAVE"
constexpr std::size_t kFmtId = 12;     // "fmt "
constexpr std::size_t kFmtLength = 16; // bytes of the fmt fields
constexpr std::size_t kFormatTag = 20;
constexpr std::size_t kChannels = 22;
constexpr std::size_t kSampleRate = 24;
constexpr std::size_t kBytesPerSecond = 28;
constexpr std::size_t kBlockAlign = 32;
constexpr std::size_t kBitsPerSample = 34;
constexpr std::size_t kHeaderBytes = 36; // everything above
constexpr std::size_t kFmtFields = 20;   // where the fmt fields start
constexpr std::uint32_t kFmtMinimum = 16;

constexpr std::size_t kChunkHeader = 8; // identifier, 32-bit length
// The chunks looked at after "fmt " while searching for "data"; real files
// hold one to four ("fact", "LIST", "bext", "id3 ").
constexpr int kMaxChunks = 64;

} // namespace

void TWAVfile::Reset() {
    Valid = false;
    FormatTag = 0;
    Channels = 0;
    SampleRate = 0;
    BytesPerSecond = 0;
    BlockAlign = 0;
    BitsPerSample = 0;
    SampleNumber = 0;
    HeaderSize = 0;
    FileSize = 0;
    DataSize = 0;
}

bool TWAVfile::ReadFromFile(const std::string& fileName) {
    Reset();
    ByteFields header;
    std::uint64_t actualSize = 0;
    std::int64_t sampleNumber = 0;
    std::uint64_t dataStart = 0, dataSize = 0;
    bool dataFound = false;
    try {
        const ReadOnlyFile file(fileName);
        actualSize = file.Size();
        if (!file.Holds(0, kHeaderBytes)) return false;
        header = ByteFields(file.ReadAt(0, kHeaderBytes));
        Valid = header.Matches(kRiffId, "RIFF") && header.Matches(kWaveId, "WAVE") &&
                header.Matches(kFmtId, "fmt ") && header.U32LE(kFmtLength) >= kFmtMinimum &&
                (header.U16LE(kChannels) == 1 || header.U16LE(kChannels) == 2);
        if (!Valid) return true;

        // The chunks after "fmt " up to "data": a "fact" chunk gives the sample
        // count; any other chunk ("LIST" and the like) is passed over. Every
        // chunk is even-aligned and must start inside the file.
        const std::uint64_t fmtLength = header.U32LE(kFmtLength);
        std::uint64_t pos = kFmtFields + fmtLength + (fmtLength & 1);
        for (int chunk = 0; chunk < kMaxChunks && pos + kChunkHeader <= actualSize; ++chunk) {
            const ByteFields chunkHeader(file.ReadAt(pos, kChunkHeader));
            const std::uint64_t length = chunkHeader.U32LE(4);
            const std::uint64_t body = pos + kChunkHeader;
            if (chunkHeader.Matches(0, "data")) {
                dataFound = true;
                dataStart = body;
                // A length past the end (a cut file, or the 0xFFFFFFFF of a
                // stream writer) counts the bytes that are there.
                dataSize = std::min<std::uint64_t>(length, actualSize - body);
                break;
            }
            if (chunkHeader.Matches(0, "fact") && length >= 4 && actualSize - body >= 4)
                sampleNumber = ByteFields(file.ReadAt(body, 4)).U32LE(0);
            pos = body + length + (length & 1);
        }
    } catch (const EAudioRead&) {
        if (!Valid) return false;
        // A chunk header cut by the end of the file ends the search.
    }

    FormatTag = header.U16LE(kFormatTag);
    Channels = static_cast<std::uint8_t>(header.U16LE(kChannels));
    SampleRate = FitField<std::int32_t>(header.U32LE(kSampleRate), "sample rate");
    BytesPerSecond = FitField<std::int32_t>(header.U32LE(kBytesPerSecond), "bytes per second");
    BlockAlign = header.U16LE(kBlockAlign);
    BitsPerSample = FitField<std::uint8_t>(header.U16LE(kBitsPerSample), "bits per sample");
    SampleNumber = FitField<std::int32_t>(sampleNumber, "sample count");
    FileSize = static_cast<std::int64_t>(header.U32LE(kRiffLength)) + 8;
    // Without a "data" chunk the header is everything there is.
    const std::uint64_t headerSize = std::min<std::uint64_t>(dataFound ? dataStart : actualSize,
                                                             static_cast<std::uint64_t>(FileSize));
    HeaderSize = FitField<std::uint32_t>(static_cast<std::int64_t>(headerSize), "header size");
    DataSize = static_cast<std::int64_t>(dataSize);
    return true;
}

double TWAVfile::GetDuration() const {
    if (!Valid) return 0;
    if (SampleNumber > 0)
        return SampleRate > 0 ? static_cast<double>(SampleNumber) / SampleRate : 0;
    if (BytesPerSecond > 0) return static_cast<double>(DataSize) / BytesPerSecond;
    return 0;
}

} // namespace sorvane
