// Reading string resources out of a PE image: DOS header, PE header, section
// table, then the resource tree type -> block -> language -> string block.
#include "archive/arxExeResources.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace sorvane {
namespace {

constexpr std::int64_t kNewHeaderPointer = 0x3C;
constexpr std::int64_t kSectionCountOffset = 6;    // from the "PE\0\0" signature
constexpr std::int64_t kOptionalSizeOffset = 20;   // from the signature
constexpr std::int64_t kOptionalHeaderOffset = 24; // from the signature
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::int64_t kPe32DirectoryCount = 92; // in the optional header
constexpr std::int64_t kPe32PlusDirectoryCount = 108;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::int64_t kSectionHeaderSize = 40;
constexpr std::uint16_t kMaxSections = 96;
constexpr std::uint32_t kStringResourceType = 6;
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;
constexpr int kStringsPerBlock = 16;

// Little-endian reads at absolute positions; every miss is an empty answer.
class ImageReader {
public:
    explicit ImageReader(TArxBaseStream& stream) : stream_(stream), size_(stream.Size()) {}

    std::optional<std::uint32_t> U32(std::int64_t pos) {
        std::uint8_t bytes[4];
        if (!Fits(pos, 4) || ReadAt(stream_, pos, bytes, 4) != 4) return std::nullopt;
        return GetLe32(bytes);
    }
    std::optional<std::uint16_t> U16(std::int64_t pos) {
        std::uint8_t bytes[2];
        if (!Fits(pos, 2) || ReadAt(stream_, pos, bytes, 2) != 2) return std::nullopt;
        return GetLe16(bytes);
    }

private:
    bool Fits(std::int64_t pos, std::int64_t width) const {
        return pos >= 0 && pos <= size_ - width;
    }

    TArxBaseStream& stream_;
    std::int64_t size_;
};

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t extent = 0; // the larger of the virtual and the raw size
    std::uint32_t rawOffset = 0;
};

class PeImage {
public:
    explicit PeImage(TArxBaseStream& stream) : reader_(stream) {}

    // Reads the headers; false when the file is no PE image.
    bool Load() {
        auto peOffset = reader_.U32(kNewHeaderPointer);
        if (!peOffset || reader_.U32(*peOffset) != 0x00004550u) return false;
        const std::int64_t pe = *peOffset;
        auto sectionCount = reader_.U16(pe + kSectionCountOffset);
        auto optionalSize = reader_.U16(pe + kOptionalSizeOffset);
        if (!sectionCount || !optionalSize || *sectionCount > kMaxSections) return false;
        const std::int64_t optional = pe + kOptionalHeaderOffset;
        if (!ReadResourceRva(optional)) return false;
        return ReadSections(optional + *optionalSize, *sectionCount);
    }

    std::optional<std::u16string> String(int id, std::size_t maxChars) {
        auto root = RvaToOffset(resourceRva_);
        if (!root) return std::nullopt;
        auto typeEntry = FindEntry(*root, kStringResourceType, false);
        if (!typeEntry || !(*typeEntry & kSubdirectoryBit)) return std::nullopt;
        const auto block = static_cast<std::uint32_t>(id / kStringsPerBlock + 1);
        auto blockEntry = FindEntry(*root + (*typeEntry & ~kSubdirectoryBit), block, false);
        if (!blockEntry || !(*blockEntry & kSubdirectoryBit)) return std::nullopt;
        auto languageEntry = FindEntry(*root + (*blockEntry & ~kSubdirectoryBit), 0, true);
        if (!languageEntry || (*languageEntry & kSubdirectoryBit)) return std::nullopt;
        return ReadStringBlock(*root + *languageEntry, id % kStringsPerBlock, maxChars);
    }

private:
    bool ReadResourceRva(std::int64_t optional) {
        auto magic = reader_.U16(optional);
        if (!magic || (*magic != kPe32Magic && *magic != kPe32PlusMagic)) return false;
        const std::int64_t countAt =
            *magic == kPe32Magic ? kPe32DirectoryCount : kPe32PlusDirectoryCount;
        auto count = reader_.U32(optional + countAt);
        if (!count || *count <= kResourceDirectory) return false;
        auto rva = reader_.U32(optional + countAt + 4 + 8 * kResourceDirectory);
        if (!rva || *rva == 0) return false;
        resourceRva_ = *rva;
        return true;
    }

    bool ReadSections(std::int64_t table, std::uint16_t count) {
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::int64_t at = table + i * kSectionHeaderSize;
            auto virtualSize = reader_.U32(at + 8);
            auto virtualAddress = reader_.U32(at + 12);
            auto rawSize = reader_.U32(at + 16);
            auto rawOffset = reader_.U32(at + 20);
            if (!virtualSize || !virtualAddress || !rawSize || !rawOffset) return false;
            sections_.push_back({*virtualAddress, std::max(*virtualSize, *rawSize), *rawOffset});
        }
        return true;
    }

    std::optional<std::int64_t> RvaToOffset(std::uint32_t rva) const {
        for (const Section& section : sections_) {
            if (rva >= section.virtualAddress &&
                std::uint64_t{rva} - section.virtualAddress < section.extent)
                return std::int64_t{section.rawOffset} + (rva - section.virtualAddress);
        }
        return std::nullopt;
    }

    // The data word of the entry with `id` (or the first id entry when
    // `anyId`) of the directory at `directory`; its offsets count from the
    // resource root.
    std::optional<std::uint32_t> FindEntry(std::int64_t directory, std::uint32_t id, bool anyId) {
        auto named = reader_.U16(directory + 12);
        auto ids = reader_.U16(directory + 14);
        if (!named || !ids) return std::nullopt;
        const std::int64_t first = directory + 16;
        for (int i = *named; i < *named + *ids; ++i) {
            auto entryId = reader_.U32(first + 8 * i);
            auto data = reader_.U32(first + 8 * i + 4);
            if (!entryId || !data) return std::nullopt;
            if (anyId || *entryId == id) return *data;
        }
        return std::nullopt;
    }

    std::optional<std::u16string> ReadStringBlock(std::int64_t dataEntry, int index,
                                                  std::size_t maxChars) {
        auto rva = reader_.U32(dataEntry);
        auto size = reader_.U32(dataEntry + 4);
        if (!rva || !size) return std::nullopt;
        auto start = RvaToOffset(*rva);
        if (!start) return std::nullopt;
        const std::int64_t end = *start + *size;
        std::int64_t pos = *start;
        for (int i = 0; i < index; ++i) {
            auto length = reader_.U16(pos);
            if (!length) return std::nullopt;
            pos += 2 + 2 * std::int64_t{*length};
            if (pos > end) return std::nullopt;
        }
        auto length = reader_.U16(pos);
        if (!length || pos + 2 + 2 * std::int64_t{*length} > end) return std::nullopt;
        std::u16string text;
        for (std::size_t i = 0; i < *length && i < maxChars; ++i) {
            auto unit = reader_.U16(pos + 2 + 2 * static_cast<std::int64_t>(i));
            if (!unit) return std::nullopt;
            text.push_back(static_cast<char16_t>(*unit));
        }
        return text;
    }

    ImageReader reader_;
    std::uint32_t resourceRva_ = 0;
    std::vector<Section> sections_;
};

} // namespace

std::optional<std::u16string> ReadExeStringResource(TArxBaseStream& stream, int id,
                                                    std::size_t maxChars) {
    if (id < 0) return std::nullopt;
    PeImage image(stream);
    if (!image.Load()) return std::nullopt;
    return image.String(id, maxChars);
}

} // namespace sorvane
