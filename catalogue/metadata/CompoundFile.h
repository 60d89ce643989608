// A reader of compound files (OLE structured storage), the container of DOC and
// DOT documents: header, FAT and DIFAT, directory, mini FAT and mini stream.
// Only what a stream read needs is read, and every chain is bounded and checked
// for loops, so a damaged file gives EDamagedFile and never a hang.
#pragma once

#include "catalogue/metadata/ByteReader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sorvane {

// Layout of the compound-file header, in its first 512 bytes.
namespace cfb {
constexpr std::string_view kSignature{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kMinorVersion = 24;     // u16
constexpr std::size_t kMajorVersion = 26;     // u16: 3 or 4
constexpr std::size_t kByteOrder = 28;        // u16: 0xFFFE
constexpr std::size_t kSectorShift = 30;      // u16: 9 (512 bytes) or 12 (4096 bytes)
constexpr std::size_t kMiniSectorShift = 32;  // u16: 6 (64 bytes)
constexpr std::size_t kDirectorySectors = 40; // u32, 0 in version 3
constexpr std::size_t kFatSectors = 44;       // u32
constexpr std::size_t kFirstDirectory = 48;   // u32
constexpr std::size_t kMiniStreamCutoff = 56; // u32: 4096
constexpr std::size_t kFirstMiniFat = 60;     // u32
constexpr std::size_t kMiniFatSectors = 64;   // u32
constexpr std::size_t kFirstDifat = 68;       // u32
constexpr std::size_t kDifatSectors = 72;     // u32
constexpr std::size_t kHeaderDifat = 76;      // 109 x u32
constexpr std::size_t kHeaderDifatCount = 109;
constexpr std::uint16_t kByteOrderMark = 0xFFFE;

// Special sector numbers.
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

// Layout of a 128-byte directory entry.
constexpr std::size_t kEntrySize = 128;
constexpr std::size_t kEntryName = 0;        // 32 UTF-16LE units
constexpr std::size_t kEntryNameLength = 64; // u16, bytes with the terminator
constexpr std::size_t kEntryType = 66;       // u8
constexpr std::size_t kEntryLeft = 68;       // u32
constexpr std::size_t kEntryRight = 72;      // u32
constexpr std::size_t kEntryChild = 76;      // u32
constexpr std::size_t kEntryStart = 116;     // u32
constexpr std::size_t kEntrySizeLow = 120;   // u32
constexpr std::size_t kEntrySizeHigh = 124;  // u32, garbage in version 3
constexpr std::size_t kEntryNameBytes = 64;

constexpr std::uint8_t kTypeStorage = 1;
constexpr std::uint8_t kTypeStream = 2;
constexpr std::uint8_t kTypeRoot = 5;
} // namespace cfb

// The header fields the reader uses.
struct CompoundHeader {
    std::uint16_t majorVersion = 0;
    std::uint16_t sectorShift = 0;
    std::uint16_t miniSectorShift = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t firstDirectorySector = 0;
    std::uint32_t miniStreamCutoff = 0;
    std::uint32_t firstMiniFatSector = 0;
    std::uint32_t miniFatSectors = 0;
    std::uint32_t firstDifatSector = 0;
    std::uint32_t difatSectors = 0;
    std::vector<std::uint32_t> headerDifat; // the 109 FAT sector numbers of the header
};

struct CompoundEntry {
    std::uint32_t index = 0;
    std::u16string name;
    std::uint8_t type = 0;
    std::uint32_t left = cfb::kNoStream;
    std::uint32_t right = cfb::kNoStream;
    std::uint32_t child = cfb::kNoStream;
    std::uint32_t startSector = cfb::kEndOfChain;
    std::uint64_t size = 0;
};

// The sectors of one chain, found on demand. A chain that leaves the valid
// sector numbers, ends before a wanted position or visits a sector twice raises
// EDamagedFile; so no walk is longer than the number of sectors there are.
class SectorChain {
public:
    using NextSector = std::function<std::uint32_t(std::uint32_t)>;

    SectorChain() = default;
    SectorChain(std::uint32_t start, std::uint64_t sectorCount, NextSector next, const char* what);

    // The sector number at position `index` of the chain.
    std::uint32_t At(std::uint64_t index);

private:
    std::uint32_t start_ = cfb::kEndOfChain;
    std::vector<std::uint32_t> sectors_;
    std::unordered_set<std::uint32_t> seen_;
    std::uint64_t sectorCount_ = 0;
    NextSector next_;
    const char* what_ = "chain";
    bool ended_ = false;
};

class CompoundFile;

// The bytes of one stream of a compound file; the file must outlive it.
class CompoundStream {
public:
    std::uint64_t Size() const { return size_; }

    // Exactly `length` bytes at `offset` of the stream; raises EDamagedFile
    // when they run past the stream's end or its chain is broken.
    std::string Read(std::uint64_t offset, std::uint64_t length);

private:
    friend class CompoundFile;
    CompoundStream(CompoundFile& file, std::uint64_t size, bool inMiniStream, SectorChain chain)
        : file_(&file), size_(size), inMiniStream_(inMiniStream), chain_(std::move(chain)) {}

    CompoundFile* file_;
    std::uint64_t size_;
    bool inMiniStream_;
    SectorChain chain_;
};

class CompoundFile {
public:
    // Reads and checks the header and the root entry. Raises EDamagedFile when
    // the file is not a compound file or its header is out of range (sector sizes
    // other than 512 and 4096 bytes, more FAT sectors than the file holds, ...).
    explicit CompoundFile(const ReadOnlyFile& file);
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    const CompoundHeader& Header() const { return header_; }
    std::uint32_t SectorSize() const { return sectorSize_; }

    // The stream named `name` (compared without ASCII case, as the format
    // does) among the entries of the root storage; nothing when it is absent.
    std::optional<CompoundEntry> FindRootStream(std::u16string_view name);

    CompoundStream OpenStream(const CompoundEntry& entry);

    // Directory entry `index`.
    CompoundEntry Entry(std::uint32_t index);

private:
    friend class CompoundStream;

    std::uint32_t NextSector(std::uint32_t sector);
    std::uint32_t NextMiniSector(std::uint32_t miniSector);
    std::uint32_t FatSectorLocation(std::uint32_t fatIndex);
    std::uint32_t ReadSectorWord(std::uint32_t sector, std::uint32_t word);
    std::string ReadInSector(std::uint32_t sector, std::uint32_t offset, std::uint32_t length);
    std::string ReadMiniStream(std::uint64_t offset, std::uint64_t length);

    const ReadOnlyFile& file_;
    CompoundHeader header_;
    std::uint32_t sectorSize_ = 0;
    std::uint32_t wordsPerSector_ = 0;
    std::uint64_t sectorCount_ = 0;     // sectors that start inside the file
    std::uint64_t miniSectorCount_ = 0; // 64-byte sectors of the mini stream
    CompoundEntry root_;

    std::unordered_map<std::uint32_t, ByteFields> fatCache_; // FAT sector index -> its bytes
    std::vector<std::uint32_t> difatChain_;                  // DIFAT sectors found so far
    std::unordered_set<std::uint32_t> difatSeen_;
    SectorChain directory_;
    SectorChain miniFat_;
    SectorChain miniStream_;
};

} // namespace sorvane
