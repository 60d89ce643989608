// The LHA/LZH reader.
#include "archive/lha/arxUnLha.h"

#include "archive/arxCrc.h"
#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"
#include "archive/codecs/arxLh1.h"
#include "platform/DateTime.h"
#include "platform/Folders.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sorvane {
namespace {

// The first 22 bytes are common to all levels.
constexpr std::int64_t kFixedSize = 22;
constexpr std::size_t kMethodId = 2; // "-lh5-"
constexpr std::size_t kPackedSize = 7;
constexpr std::size_t kOriginalSize = 11;
constexpr std::size_t kTime = 15;
constexpr std::size_t kAttribute = 19;
constexpr std::size_t kLevel = 20;
constexpr std::size_t kNameLength = 21; // levels 0 and 1
// Levels 0 and 1: CRC-16 behind the name; level 1 adds the OS byte and the
// size of the first extended header.
constexpr std::int64_t kLevel0Tail = 2;
constexpr std::int64_t kLevel1Tail = 5;
constexpr std::int64_t kLevel1Os = 2;
// Level 2: a fixed 26-byte base header.
constexpr std::int64_t kLevel2BaseSize = 26;
constexpr std::size_t kLevel2Crc = 21;
constexpr std::size_t kLevel2Os = 23;
constexpr std::size_t kLevel2FirstExtended = 24;
// The OS byte of MS-DOS.
constexpr std::uint8_t kDosOs = 'M';

constexpr std::uint8_t kExtendedName = 1;
constexpr std::uint8_t kExtendedFolder = 2;
constexpr std::int64_t kExtendedMinimum = 3; // type byte + size of the next header

// 1980-01-01 00:01:00, the date of times a DOS date cannot hold.
constexpr std::uint32_t kEarliestDosDate = 0x00210020u;

struct Record {
    std::uint32_t Attr;
    std::uint32_t Reserved;
    std::int64_t Offset;
};
static_assert(sizeof(Record) == 16);

std::string FieldText(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
    std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(to));
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

// What the extended headers of one member say.
struct Extended {
    std::string Name;       // type 1
    std::string Folder;     // type 2
    std::int64_t Bytes = 0; // all of them together
};

// Reads the chain of extended headers starting with `size` at `pos`, none
// reaching past `limit`; false when one is malformed.
bool ReadExtended(TArxBaseStream& stream, std::int64_t pos, std::int64_t size, std::int64_t limit,
                  Extended& out) {
    std::vector<std::uint8_t> bytes;
    while (size != 0) {
        if (size < kExtendedMinimum || size > limit - pos) return false;
        bytes.assign(static_cast<std::size_t>(size), 0);
        if (ReadAt(stream, pos, bytes.data(), size) != size) return false;
        const auto end = static_cast<std::size_t>(size - 2);
        if (bytes[0] == kExtendedName) out.Name = FieldText(bytes, 1, end);
        if (bytes[0] == kExtendedFolder)
            out.Folder = NormalizeStoredPath(FieldText(bytes, 1, end), false);
        out.Bytes += size;
        pos += size;
        size = GetLe16(bytes.data() + end);
    }
    return true;
}

bool HasMethod(const TLhaHeader& h, char c) {
    return std::memcmp(h.Method.data(), "-lh", 3) == 0 && h.Method[3] == c && h.Method[4] == '-';
}

} // namespace

bool TLhaHeader::Folder() const {
    return HasMethod(*this, 'd');
}

bool TLhaHeader::Supported() const {
    for (const char c : {'0', '1', '4', '5', '6', '7', 'd'})
        if (HasMethod(*this, c)) return true;
    return false;
}

std::uint32_t TLhaHeader::DosDate() const {
    if (Level != 2) return Time;
    return DateTimeToDosDate(UnixTimeToDateTime(Time)).value_or(kEarliestDosDate);
}

int ReadLhaHeader(TArxBaseStream& stream, std::int64_t offset, bool translateOem,
                  TLhaHeader& header) {
    std::vector<std::uint8_t> h(static_cast<std::size_t>(kFixedSize));
    const std::int64_t got = ReadAt(stream, offset, h.data(), kFixedSize);
    if (got <= 0) return 0;
    // A zero header size is the end mark (16 bits wide at level 2).
    if (h[0] == 0 && (got < kFixedSize || h[kLevel] != 2 || h[1] == 0)) return 0;
    if (got < kFixedSize) return -1; // a header cut short
    const std::uint8_t level = h[kLevel];
    if (level > 2) return 0;
    const std::int64_t streamSize = stream.Size();
    header = TLhaHeader{};
    header.Offset = offset;
    header.Level = level;
    std::memcpy(header.Method.data(), h.data() + kMethodId, 5);
    const std::int64_t packed = GetLe32(h.data() + kPackedSize);
    header.UnpackedSize = GetLe32(h.data() + kOriginalSize);
    header.Time = GetLe32(h.data() + kTime);
    header.Attr = h[kAttribute];

    std::string name;
    Extended extended;
    TNameHost host = TNameHost::Dos; // level 0 names no system
    if (level < 2) {
        const std::int64_t headerBytes = h[0] + 2;
        const std::int64_t nameLength = h[kNameLength];
        const std::int64_t tail = level == 0 ? kLevel0Tail : kLevel1Tail;
        if (kFixedSize + nameLength + tail > headerBytes) return -1;
        std::vector<std::uint8_t> all(static_cast<std::size_t>(headerBytes));
        if (ReadAt(stream, offset, all.data(), headerBytes) != headerBytes) return -1;
        const auto nameEnd = static_cast<std::size_t>(kFixedSize + nameLength);
        name = FieldText(all, static_cast<std::size_t>(kFixedSize), nameEnd);
        header.Crc = GetLe16(all.data() + nameEnd);
        header.DataPos = offset + headerBytes;
        header.NextPos = offset + headerBytes + packed;
        if (level == 1) {
            host = all[nameEnd + kLevel1Os] == kDosOs ? TNameHost::Dos : TNameHost::Other;
            // The extended headers count in the packed size.
            if (!ReadExtended(stream, offset + headerBytes, GetLe16(all.data() + headerBytes - 2),
                              std::min(streamSize, offset + headerBytes + packed), extended))
                return -1;
            if (!extended.Name.empty()) name = extended.Name;
            header.DataPos += extended.Bytes;
        }
        header.PackedSize = packed - extended.Bytes;
    } else {
        const std::int64_t headerBytes = GetLe16(h.data());
        std::vector<std::uint8_t> base(static_cast<std::size_t>(kLevel2BaseSize));
        if (headerBytes < kLevel2BaseSize ||
            ReadAt(stream, offset, base.data(), kLevel2BaseSize) != kLevel2BaseSize)
            return -1;
        header.Crc = GetLe16(base.data() + kLevel2Crc);
        host = base[kLevel2Os] == kDosOs ? TNameHost::Dos : TNameHost::Other;
        if (!ReadExtended(stream, offset + kLevel2BaseSize,
                          GetLe16(base.data() + kLevel2FirstExtended),
                          std::min(streamSize, offset + headerBytes), extended))
            return -1;
        name = extended.Name;
        header.DataPos = offset + headerBytes;
        header.PackedSize = packed;
        header.NextPos = offset + headerBytes + packed;
    }
    std::string path = name;
    if (!extended.Folder.empty())
        path = name.empty() ? extended.Folder : RemoveSlash(extended.Folder) + "\\" + name;
    header.Name = StoredNameToAnsi(path, host, translateOem);
    return 1;
}

TUnLha::TUnLha() = default;

void TUnLha::ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int) {
    if (!InStream) {
        ReportError(ArchiveFile, "", "", kMsgOpenError);
        return;
    }
    list_.Init(sizeof(Record));
    struct FreeList {
        TUnBaseHeaderObj& list;
        ~FreeList() { list.Done(); }
    } freeList{list_};

    TArxBaseStream& stream = *InStream;
    const std::int64_t size = stream.Size();
    std::int64_t pos = std::max<std::int64_t>(StartOffset, 0);
    while (!GetCancel()) {
        TLhaHeader header;
        const int read = ReadLhaHeader(stream, pos, TranslateOemChar, header);
        if (read == 0) break;
        if (read < 0) {
            ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        const char kind = header.Method[3];
        const bool listed = kind == 'd' || (kind >= '0' && kind <= '7');
        if (listed && MatchFileSpecDirs(header.Name, FileSpec, ExclusionList, RecurseDirs)) {
            const Record record{header.Attr, 0, pos};
            list_.AddRecord(&record);
            ArchiveTotal += std::max<std::int64_t>(header.PackedSize, 0);
            FileTotal += header.UnpackedSize;
            MaxFileDate = std::max(MaxFileDate, header.DosDate());
        }
        // Every header lies after the one before, inside the file.
        if (header.NextPos <= pos || header.NextPos > size) break;
        pos = header.NextPos;
    }
    BytesRemaining = ArchiveTotal;

    for (int i = 0; i < list_.Count && !GetCancel(); ++i) {
        Record record{};
        std::memcpy(&record, list_.GetItem(i), sizeof record);
        TLhaHeader header;
        if (ReadLhaHeader(stream, record.Offset, TranslateOemChar, header) != 1) {
            ReportError(ArchiveFile, "", VolumeName, kMsgBadFileHeader);
            break;
        }
        ExtractMember(stream, header);
    }
}

void TUnLha::ExtractMember(TArxBaseStream& stream, const TLhaHeader& header) {
    StoredName = header.Name;
    SetCurrentFileName(header.Name);
    if (CurrentNameRefused) return; // reported; nothing leaves ExtractDir
    MemberEncrypted = false;
    const std::string eventName = OutputMode == kOutputFiles ? CurrentFileName : header.Name;

    if (header.Folder()) {
        if (!CheckOverwrite(true)) return;
        if (OutputMode == kOutputFiles && UseStoredDirs && CreateStoredDirs &&
            !CreateFolderPath(CurrentFileName)) {
            ReportError(CurrentFileName, "", VolumeName, kMsgOpenError);
            return;
        }
        Crc16.Start(0);
        CheckCrc(16, header.Crc);
        return;
    }
    // What cannot be decoded is refused before any output is opened.
    if (!header.Supported()) {
        ReportError(header.Name, std::string(header.Method.data(), header.Method.size()),
                    VolumeName, kMsgUnsupportedMethod);
        return;
    }
    if (!CheckOverwrite(false)) return;
    std::unique_ptr<TArxBaseStream> out;
    if (!OpenOutputFile(out, CurrentFileName, header.Name)) {
        ResultCount = std::max(0, ResultCount - 1);
        return;
    }

    Crc16.Start(0);
    Crc32.Start(0xFFFFFFFFu);
    const std::int64_t packed = std::max<std::int64_t>(header.PackedSize, 0);
    const std::int64_t unpacked = header.UnpackedSize;
    const std::int64_t remainingBefore = BytesRemaining;
    stream.Seek(header.DataPos, TSeekOrigin::Beginning);
    try {
        switch (header.Method[3]) {
        case '0':
            // Never more than the declared size.
            CopyStoredMember(stream, out.get(), {std::min(packed, unpacked), 0}, header.Name, 16);
            break;
        case '1':
            Lh1Decode(*this, stream, out.get(), packed, unpacked);
            break;
        default: {
            static constexpr TLzhParams kParams[] = {kLzhLh4, kLzhLh5, kLzhLh6, kLzhLh7};
            lzh_.Setup(kParams[header.Method[3] - '4']);
            lzh_.Run(*this, stream, out.get(), packed, unpacked);
            break;
        }
        }
    } catch (const E_RAISE& error) {
        // A write failure was reported where it happened.
        if (error.Code() != kMsgWriteError && error.Code() != kMsgDiskFull)
            ReportError(header.Name, "", VolumeName, error.Code());
    }
    SetFileAttrDate(out, eventName, header.Attr, header.DosDate());
    // Only members written whole count as extracted.
    const bool passed = CheckCrc(16, header.Crc);
    if (!passed) UncountMember();
    FinishMember(passed);
    const std::int64_t taken = std::max<std::int64_t>(remainingBefore - BytesRemaining, 0);
    MemberDone({std::max<std::int64_t>(packed - taken, 0), 0});
}

} // namespace sorvane
