// The compound-file reader: header checks, FAT and DIFAT look-ups on demand,
// directory entries, and stream reads through the FAT or the mini stream.
#include "catalogue/metadata/CompoundFile.h"

#include <algorithm>

namespace sorvane {

namespace {

[[noreturn]] void Damaged(const std::string& what) {
    throw EDamagedFile("compound file: " + what);
}

// ASCII letters compared without case, as the format orders its names.
char16_t FoldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return FoldAscii(x) == FoldAscii(y); });
}

} // namespace

SectorChain::SectorChain(std::uint32_t start, std::uint64_t sectorCount, NextSector next,
                         const char* what)
    : start_(start), sectorCount_(sectorCount), next_(std::move(next)), what_(what) {}

std::uint32_t SectorChain::At(std::uint64_t index) {
    while (sectors_.size() <= index) {
        if (ended_ || !next_) Damaged(std::string(what_) + " ends before its data");
        const std::uint32_t next = sectors_.empty() ? start_ : next_(sectors_.back());
        if (next == cfb::kEndOfChain) {
            ended_ = true;
            Damaged(std::string(what_) + " ends before its data");
        }
        if (next >= sectorCount_) Damaged(std::string(what_) + " runs off the end of the file");
        if (!seen_.insert(next).second) Damaged(std::string(what_) + " loops");
        sectors_.push_back(next);
    }
    return sectors_[static_cast<std::size_t>(index)];
}

CompoundFile::CompoundFile(const ReadOnlyFile& file) : file_(file) {
    if (file.Size() < cfb::kHeaderSize) Damaged("shorter than its header");
    const ByteFields h(file.ReadAt(0, cfb::kHeaderSize));
    if (!h.Matches(0, cfb::kSignature)) Damaged("no signature");
    if (h.U16LE(cfb::kByteOrder) != cfb::kByteOrderMark) Damaged("bad byte order mark");

    header_.majorVersion = h.U16LE(cfb::kMajorVersion);
    header_.sectorShift = h.U16LE(cfb::kSectorShift);
    header_.miniSectorShift = h.U16LE(cfb::kMiniSectorShift);
    header_.fatSectors = h.U32LE(cfb::kFatSectors);
    header_.firstDirectorySector = h.U32LE(cfb::kFirstDirectory);
    header_.miniStreamCutoff = h.U32LE(cfb::kMiniStreamCutoff);
    header_.firstMiniFatSector = h.U32LE(cfb::kFirstMiniFat);
    header_.miniFatSectors = h.U32LE(cfb::kMiniFatSectors);
    header_.firstDifatSector = h.U32LE(cfb::kFirstDifat);
    header_.difatSectors = h.U32LE(cfb::kDifatSectors);
    header_.headerDifat.reserve(cfb::kHeaderDifatCount);
    for (std::size_t i = 0; i < cfb::kHeaderDifatCount; ++i)
        header_.headerDifat.push_back(h.U32LE(cfb::kHeaderDifat + 4 * i));

    // The format knows two sector sizes; anything else (a shift of 30, say)
    // would make every offset meaningless.
    if (header_.sectorShift != 9 && header_.sectorShift != 12)
        Damaged("sector shift " + std::to_string(header_.sectorShift));
    if (header_.miniSectorShift != 6)
        Damaged("mini sector shift " + std::to_string(header_.miniSectorShift));
    sectorSize_ = 1u << header_.sectorShift;
    wordsPerSector_ = sectorSize_ / 4;

    // Sector n starts at (n + 1) x sector size; count those that start inside the file.
    const std::uint64_t sectorsInFile = (file.Size() + sectorSize_ - 1) / sectorSize_;
    sectorCount_ = std::min<std::uint64_t>(sectorsInFile > 0 ? sectorsInFile - 1 : 0,
                                           std::uint64_t{cfb::kMaxRegularSector} + 1);
    if (header_.fatSectors == 0 || header_.fatSectors > sectorCount_)
        Damaged("FAT sector count out of range");
    if (header_.difatSectors > sectorCount_) Damaged("DIFAT sector count out of range");
    if (header_.miniFatSectors > sectorCount_) Damaged("mini FAT sector count out of range");

    auto next = [this](std::uint32_t sector) { return NextSector(sector); };
    directory_ = SectorChain(header_.firstDirectorySector, sectorCount_, next, "directory chain");
    miniFat_ = SectorChain(header_.firstMiniFatSector, sectorCount_, next, "mini FAT chain");

    root_ = Entry(0);
    if (root_.type != cfb::kTypeRoot) Damaged("first directory entry is not the root");
    if (root_.size > file.Size()) Damaged("mini stream larger than the file");
    miniSectorCount_ = (root_.size + 63) / 64;
    miniStream_ = SectorChain(root_.startSector, sectorCount_, next, "mini stream chain");
}

std::string CompoundFile::ReadInSector(std::uint32_t sector, std::uint32_t offset,
                                       std::uint32_t length) {
    if (sector >= sectorCount_ || !RangeInside(offset, length, sectorSize_))
        Damaged("sector out of range");
    return file_.ReadAt((std::uint64_t{sector} + 1) * sectorSize_ + offset, length);
}

std::uint32_t CompoundFile::ReadSectorWord(std::uint32_t sector, std::uint32_t word) {
    return ByteFields(ReadInSector(sector, word * 4, 4)).U32LE(0);
}

std::uint32_t CompoundFile::FatSectorLocation(std::uint32_t fatIndex) {
    if (fatIndex >= header_.fatSectors) Damaged("sector beyond the FAT");
    std::uint32_t location = 0;
    if (fatIndex < cfb::kHeaderDifatCount) {
        location = header_.headerDifat[fatIndex];
    } else {
        // Each DIFAT sector lists wordsPerSector - 1 FAT sectors, then the next DIFAT sector.
        const std::uint32_t perDifat = wordsPerSector_ - 1;
        const std::uint32_t rest = fatIndex - static_cast<std::uint32_t>(cfb::kHeaderDifatCount);
        const std::uint32_t wanted = rest / perDifat;
        while (difatChain_.size() <= wanted) {
            if (difatChain_.size() >= header_.difatSectors) Damaged("DIFAT shorter than the FAT");
            const std::uint32_t next = difatChain_.empty()
                                           ? header_.firstDifatSector
                                           : ReadSectorWord(difatChain_.back(), perDifat);
            if (next >= sectorCount_) Damaged("DIFAT chain runs off the end of the file");
            if (!difatSeen_.insert(next).second) Damaged("DIFAT chain loops");
            difatChain_.push_back(next);
        }
        location = ReadSectorWord(difatChain_[wanted], rest % perDifat);
    }
    if (location >= sectorCount_) Damaged("FAT sector outside the file");
    return location;
}

std::uint32_t CompoundFile::NextSector(std::uint32_t sector) {
    const std::uint32_t fatIndex = sector / wordsPerSector_;
    auto cached = fatCache_.find(fatIndex);
    if (cached == fatCache_.end()) {
        const std::uint32_t location = FatSectorLocation(fatIndex);
        cached =
            fatCache_.emplace(fatIndex, ByteFields(ReadInSector(location, 0, sectorSize_))).first;
    }
    return cached->second.U32LE(std::uint64_t{sector % wordsPerSector_} * 4);
}

std::uint32_t CompoundFile::NextMiniSector(std::uint32_t miniSector) {
    const std::uint32_t miniFatIndex = miniSector / wordsPerSector_;
    if (miniFatIndex >= header_.miniFatSectors) Damaged("mini sector beyond the mini FAT");
    return ReadSectorWord(miniFat_.At(miniFatIndex), miniSector % wordsPerSector_);
}

CompoundEntry CompoundFile::Entry(std::uint32_t index) {
    const std::uint32_t perSector = sectorSize_ / cfb::kEntrySize;
    const std::uint32_t sector = directory_.At(index / perSector);
    const ByteFields e(
        ReadInSector(sector, (index % perSector) * cfb::kEntrySize, cfb::kEntrySize));

    CompoundEntry entry;
    entry.index = index;
    const std::uint16_t nameBytes = e.U16LE(cfb::kEntryNameLength);
    if (nameBytes > cfb::kEntryNameBytes || nameBytes % 2 != 0)
        Damaged("entry name length out of range");
    // The length counts the terminating zero.
    for (std::uint32_t i = 0; i + 1 < nameBytes / 2u; ++i)
        entry.name.push_back(static_cast<char16_t>(e.U16LE(cfb::kEntryName + 2 * i)));
    entry.type = e.U8(cfb::kEntryType);
    entry.left = e.U32LE(cfb::kEntryLeft);
    entry.right = e.U32LE(cfb::kEntryRight);
    entry.child = e.U32LE(cfb::kEntryChild);
    entry.startSector = e.U32LE(cfb::kEntryStart);
    entry.size = e.U32LE(cfb::kEntrySizeLow);
    // Version 3 files may leave garbage in the high half; only 4096-byte sectors use it.
    if (header_.sectorShift == 12) entry.size |= std::uint64_t{e.U32LE(cfb::kEntrySizeHigh)} << 32;
    return entry;
}

std::optional<CompoundEntry> CompoundFile::FindRootStream(std::u16string_view name) {
    // The entries of a storage form a tree through their left and right links;
    // a visit of every node once finds the name whatever order the writer kept.
    std::vector<std::uint32_t> pending{root_.child};
    std::unordered_set<std::uint32_t> visited;
    while (!pending.empty()) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index == cfb::kNoStream) continue;
        if (!visited.insert(index).second) Damaged("directory tree loops");
        const CompoundEntry entry = Entry(index);
        if (entry.type == cfb::kTypeStream && SameName(entry.name, name)) return entry;
        pending.push_back(entry.left);
        pending.push_back(entry.right);
    }
    return std::nullopt;
}

CompoundStream CompoundFile::OpenStream(const CompoundEntry& entry) {
    if (entry.type != cfb::kTypeStream) Damaged("entry is not a stream");
    if (entry.size < header_.miniStreamCutoff) {
        if (entry.size > root_.size) Damaged("stream larger than the mini stream");
        auto next = [this](std::uint32_t sector) { return NextMiniSector(sector); };
        return CompoundStream(
            *this, entry.size, true,
            SectorChain(entry.startSector, miniSectorCount_, next, "mini stream sector chain"));
    }
    if (entry.size > file_.Size()) Damaged("stream larger than the file");
    auto next = [this](std::uint32_t sector) { return NextSector(sector); };
    return CompoundStream(
        *this, entry.size, false,
        SectorChain(entry.startSector, sectorCount_, next, "stream sector chain"));
}

std::string CompoundFile::ReadMiniStream(std::uint64_t offset, std::uint64_t length) {
    if (!RangeInside(offset, length, root_.size)) Damaged("read past the end of the mini stream");
    std::string out;
    out.reserve(static_cast<std::size_t>(length));
    while (length > 0) {
        const std::uint64_t index = offset / sectorSize_;
        const auto within = static_cast<std::uint32_t>(offset % sectorSize_);
        const auto piece =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(length, sectorSize_ - within));
        out += ReadInSector(miniStream_.At(index), within, piece);
        offset += piece;
        length -= piece;
    }
    return out;
}

std::string CompoundStream::Read(std::uint64_t offset, std::uint64_t length) {
    if (!RangeInside(offset, length, size_)) Damaged("read past the end of a stream");
    const std::uint32_t unit = inMiniStream_ ? 64u : file_->sectorSize_;
    std::string out;
    out.reserve(static_cast<std::size_t>(length));
    while (length > 0) {
        const std::uint64_t index = offset / unit;
        const auto within = static_cast<std::uint32_t>(offset % unit);
        const auto piece =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(length, unit - within));
        const std::uint32_t sector = chain_.At(index);
        out += inMiniStream_ ? file_->ReadMiniStream(std::uint64_t{sector} * 64 + within, piece)
                             : file_->ReadInSector(sector, within, piece);
        offset += piece;
        length -= piece;
    }
    return out;
}

} // namespace sorvane
