// Archive kind detection.
#include "archive/arxRegister.h"

#include "archive/arxCrc.h"
#include "archive/arxDisk.h"
#include "archive/arxExeResources.h"
#include "archive/tar/arxTarHeader.h"
#include "platform/Directory.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <vector>

namespace sorvane {

const std::array<const char*, kArcTypeCount> kArcTypeNames{
    "Not avail. ", "Unsupport.", "File Error", "Unknown   ", "ACE       ",  "ACE SFX   ",
    "ARC       ",  "ARC SFX   ", "ARJ       ", "ARJ SFX   ", "BH        ",  "BH  SFX   ",
    "CAB       ",  "CAB SFX   ", "GZip      ", "HA        ", "Java JAR  ",  "JJAR SFX  ",
    "LHA       ",  "LHA SFX   ", "LZH       ", "LZH SFX   ", "MsGZ     \t", "PAK       ",
    "PAK SFX   ",  "RAR       ", "RAR SFX   ", "TAR       ", "TarGzip   ",  "UUE       ",
    "ZIP       ",  "ZIP SFX   ", "Zip Span  ", "Zip MVol  ", "ZOO       ",
};

const std::array<std::u16string_view, 24> ArchiveExtensions{
    u".ACE", u".ARC", u".ARJ", u".BH",  u".CAB", u".ENC", u".GZ",  u".HA",
    u".JAR", u".LHA", u".LZH", u".PAK", u".PK3", u".PK_", u".RAR", u".TAR",
    u".TGZ", u".UUE", u".UU",  u".WAR", u".XXE", u".Z",   u".ZIP", u".ZOO",
};

std::string_view ArcTypeName(TArcType type) {
    return static_cast<int>(type) < kArcTypeCount ? kArcTypeNames[type] : "";
}

bool IsFailureKind(int type) {
    return type == atNA || type == atUnsupported || type == atFileOpenErr || type == atUnknown;
}

bool IsZipKind(int type) {
    return type == atJar || type == atJarExe || type == atZip || type == atZipExe;
}

namespace {

constexpr std::int64_t kMinArchiveSize = 20;
constexpr std::int64_t kHeadSize = 32767;
constexpr std::int64_t kZipTailSize = 32768;
constexpr std::int64_t kScanBlockSize = 32768;
constexpr int kScanBlockCount = 11;
constexpr std::int64_t kExeScanStart = 17000;
constexpr std::array<std::int64_t, 5> kFixedSfxOffsets{6674, 6867, 7716, 8601, 13138};
constexpr std::int64_t kLhaSfxProbe = 1947;
constexpr std::int64_t kLhaSfxStart = 1945;
constexpr std::array<std::int64_t, 2> kZipSfxOffsets{7612, 25661};
constexpr std::int64_t kArcSfxStart = 7716;
constexpr std::int64_t kLhaPrefix = 128;
constexpr std::int64_t kAceMarkOffset = 7;
constexpr std::int64_t kUuencodeProbe = 5000;
constexpr int kExeResourceCount = 7;
constexpr std::size_t kExeResourceChars = 5;
constexpr std::int64_t kExeResourceProbe = 14;

// The signatures of each ZIP header kind; the second and fourth are enciphered.
constexpr std::array<std::array<std::uint32_t, 4>, 3> kZipSignatures{{
    {0x04034B50u, 0x04034C50u, 0x04034D50u, 0x04034E50u}, // "PK" "PL" "PM" "PN" 03 04
    {0x02014B50u, 0x02014C50u, 0x02014D50u, 0x02014E50u}, // the same with 01 02
    {0x06054B50u, 0x06054C50u, 0x06055B50u, 0x06055C50u}, // "PK" "PL" "P[" "P\" 05 06
}};
constexpr std::uint32_t kZipVariantEnd = 0x06055B50u;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50u;
constexpr std::uint32_t kZip64EndSignature = 0x06064B50u;

bool Starts(const std::uint8_t* bytes, std::string_view text) {
    return std::memcmp(bytes, text.data(), text.size()) == 0;
}

bool HasAceMark(const std::uint8_t* head, std::int64_t headSize) {
    return headSize >= kAceMarkOffset + 7 && Starts(head + kAceMarkOffset, "**ACE**");
}

bool IsLhaMethodAt(const std::uint8_t* bytes) {
    return bytes[0] == '-' && bytes[1] == 'l' && bytes[2] == 'h' && bytes[4] == '-';
}

std::string LowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// Keeps a stream's progress callback detached for the length of a scope.
class ProgressDetached {
public:
    explicit ProgressDetached(TArxBaseStream& stream) : stream_(dynamic_cast<TStream32*>(&stream)) {
        if (stream_ != nullptr) std::swap(saved_, stream_->OnProgress);
    }
    ~ProgressDetached() {
        if (stream_ != nullptr) stream_->OnProgress = std::move(saved_);
    }
    ProgressDetached(const ProgressDetached&) = delete;
    ProgressDetached& operator=(const ProgressDetached&) = delete;

private:
    TStream32* stream_;
    std::function<void(TStream32&)> saved_;
};

} // namespace

TRegisterArxon::TRegisterArxon() = default;

void TRegisterArxon::SetZipCmntBufSize(int value) {
    zipCmntBufSize_ = std::clamp(value, kMinZipCmntBufSize, kMaxZipCmntBufSize);
}

void TRegisterArxon::SetArchiveFile(const std::string& value) {
    if (value.empty() || !FileExists(value)) {
        ArcType = atNA;
        ArchiveFile.clear();
        return;
    }
    ArchiveFile = value;
    TFileStream32 stream(ArchiveFile, TFileStream32::kModeReadDenyNone);
    if (stream.Handle < 0) {
        ArcType = atNA;
        return;
    }
    ArcType = DetectArcType(stream);
    if (!IsFailureKind(ArcType)) DetectVolumeNumber();
}

void TRegisterArxon::SetArcType(TArcType) {
    if (ArchiveFile.empty()) return;
    TFileStream32 stream(ArchiveFile, TFileStream32::kModeReadDenyWrite);
    ArcType = stream.Handle < 0 ? atFileOpenErr : DetectArcType(stream);
}

bool TRegisterArxon::OpenArchiveHandle(int& handle, const std::string& fileName) {
    handle = OpenFileHandle(fileName, TFileStream32::kModeReadDenyNone, nullptr);
    ArchiveSize = handle >= 0 ? GetFileSize64(handle) : 0;
    return handle >= 0;
}

int TRegisterArxon::ClassifyZipSignature(std::uint32_t value, int kind, bool& encrypted) {
    encrypted = false;
    if (kind < kZipLocalKind || kind > kZipEndKind) return kZipNoKind;
    const auto& signatures = kZipSignatures[static_cast<std::size_t>(kind)];
    for (std::size_t i = 0; i < signatures.size(); ++i) {
        if (signatures[i] == value) {
            encrypted = i == 1 || i == 3;
            return kind;
        }
    }
    return kZipNoKind;
}

bool TRegisterArxon::IsZipHeaderSignature(std::uint32_t value) {
    return value == 0x02014B50u || value == 0x02014C50u || value == 0x04034B50u ||
           value == 0x04034C50u;
}

int TRegisterArxon::HeaderCipherLength(const std::uint8_t* header, int kind) {
    if (kind == kZipLocalKind) return 26;
    if (kind == kZipCentralKind) return 42;
    const std::uint32_t signature = GetLe32(header);
    return signature == 0x06054B50u || signature == 0x06054C50u ? 18 : 22;
}

bool TRegisterArxon::DecipherHeader(std::uint8_t*, int) {
    return false;
}

// ---------------------------------------------------------------------------
// DetectArcType

TArcType TRegisterArxon::DetectArcType(TArxBaseStream& stream) {
    StartOffset = -1;
    ZipCommentOffset = 0;
    ZipOffsetShift = 0;
    ZipHeaderFlags = 0;
    ArchiveSize = stream.Size();
    const ProgressDetached detached(stream);

    TArcType result = atNA;
    if (ArchiveSize >= kMinArchiveSize) {
        std::vector<std::uint8_t> head(static_cast<std::size_t>(kHeadSize), 0);
        const std::int64_t headSize = ReadAt(stream, 0, head.data(), kHeadSize);
        if (headSize >= 2 && head[0] == 'M' && head[1] == 'Z')
            result = DetectExecutable(stream, head.data(), headSize);
        else
            result = DetectOther(stream, head.data(), headSize);
    }
    if (!IsFailureKind(result)) {
        if (StartOffset == -1) StartOffset = 0;
        if (result == atZip && LowerExtension(ArchiveFile) == ".jar") result = atJar;
        if (auto* file = dynamic_cast<THandleStream32*>(&stream); file != nullptr)
            ArchiveDate = GetFileDosTime(file->Handle, 0);
    }
    return result;
}

TArcType TRegisterArxon::DetectExecutable(TArxBaseStream& stream, const std::uint8_t* head,
                                          std::int64_t headSize) {
    TArcType result = DetectFixedSfxOffsets(stream);
    if (!IsFailureKind(result)) return result;
    result = DetectResourceOffsets(stream);
    if (!IsFailureKind(result)) return result;
    result = DetectAppendedData(stream, head, headSize);
    if (!IsFailureKind(result)) return result;
    std::fill(EndOfCentralDir.begin(), EndOfCentralDir.begin() + 4, 0);
    StartOffset = LocateZipDirectory(stream);
    if (StartOffset > 0) return atZipExe;
    StartOffset = -1;
    return ScanForSignatures(stream, kExeScanStart);
}

// ARC and PAK stubs at their known sizes, the LHA stub, and ZIP stubs. The
// ARC, PAK and LHA kinds keep the offset where their data begin; only a ZIP
// stub moves on to its central directory.
TArcType TRegisterArxon::DetectFixedSfxOffsets(TArxBaseStream& stream) {
    std::uint8_t bytes[6]{};
    for (std::int64_t offset : kFixedSfxOffsets) {
        if (ArchiveSize - offset < 3) break;
        if (ReadAt(stream, offset, bytes, 2) != 2 || bytes[0] != 0x1A) continue;
        if (bytes[1] == 0x08 || bytes[1] == 0x09) {
            StartOffset = offset;
            return atArcExe;
        }
        if (bytes[1] == 0x0A || bytes[1] == 0x0B) {
            StartOffset = offset;
            return atPakExe;
        }
    }
    if (ArchiveSize > kLhaSfxProbe + 2 && ReadAt(stream, kLhaSfxProbe, bytes, 6) >= 5 &&
        IsLhaMethodAt(bytes)) {
        StartOffset = kLhaSfxStart;
        return atLhaExe;
    }
    for (std::int64_t offset : kZipSfxOffsets) {
        if (ArchiveSize <= offset + 4) continue;
        if (ReadAt(stream, offset, bytes, 4) == 4 && GetLe32(bytes) == 0x04034B50u) {
            const std::int64_t directory = LocateZipDirectory(stream);
            StartOffset = directory > 0 ? directory : offset;
            return atZipExe;
        }
    }
    return atNA;
}

// Self-extractors that keep their archive's offset as a string resource.
TArcType TRegisterArxon::DetectResourceOffsets(TArxBaseStream& stream) {
    for (int id = 1; id <= kExeResourceCount; ++id) {
        const auto text = ReadExeStringResource(stream, id, kExeResourceChars);
        if (!text || text->empty()) break;
        std::int64_t offset = 0;
        bool isNumber = true;
        for (char16_t c : *text) {
            if (c < u'0' || c > u'9')
                isNumber = false;
            else
                offset = offset * 10 + (c - u'0');
        }
        if (!isNumber || offset >= ArchiveSize) break;
        StartOffset = offset;
        std::uint8_t bytes[kExeResourceProbe]{};
        const std::int64_t got = ReadAt(stream, offset, bytes, kExeResourceProbe);
        if (got == kExeResourceProbe && Starts(bytes + kAceMarkOffset, "**ACE**")) return atAceExe;
        if (got < 4) continue;
        const TArcType kind = ClassifySignature(stream, Where::InsideExe, bytes);
        if (IsFailureKind(kind)) continue;
        if (IsZipKind(kind)) {
            StartOffset = LocateZipDirectory(stream);
            if (ZipHeaderFlags == 0) StartOffset = offset;
        }
        return kind;
    }
    StartOffset = -1;
    return atNA;
}

// Data appended behind the executable image that the MZ header describes.
TArcType TRegisterArxon::DetectAppendedData(TArxBaseStream& stream, const std::uint8_t* head,
                                            std::int64_t headSize) {
    if (headSize < 6) return atNA;
    const std::int64_t lastPageBytes = GetLe16(head + 2);
    const std::int64_t pages = GetLe16(head + 4);
    std::int64_t position = (pages - 1) * 512 + lastPageBytes;
    if (position <= 0 || position + 4 > ArchiveSize) return atNA;
    std::uint8_t bytes[4]{};
    if (ReadAt(stream, position, bytes, 4) != 4) return atNA;
    if (bytes[2] == 0x60 && bytes[3] == 0xEA) {
        position += 2;
        if (position + 4 > ArchiveSize || ReadAt(stream, position, bytes, 4) != 4) return atNA;
    }
    if (GetLe32(bytes) == 0x04034B50u) return atNA;
    StartOffset = position;
    const TArcType kind = ClassifySignature(stream, Where::InsideExe, bytes);
    if (IsFailureKind(kind)) StartOffset = -1;
    return kind;
}

TArcType TRegisterArxon::DetectOther(TArxBaseStream& stream, const std::uint8_t* head,
                                     std::int64_t headSize) {
    std::int64_t zeros = 0;
    while (zeros < headSize && head[zeros] == 0)
        ++zeros;
    if (zeros > 0 && headSize - zeros >= 133 && head[130] == '-' && head[131] == 'l') {
        StartOffset = kLhaPrefix;
        return atLha;
    }
    TArcType result = atNA;
    if (zeros + 4 <= headSize) {
        result = ClassifySignature(stream, Where::AtStart, head + zeros);
        if (result == atFileOpenErr || result == atUnknown) return result;
        if (IsZipKind(result)) {
            StartOffset = LocateZipDirectory(stream);
            if (!(ZipHeaderFlags & kZipLocalFound) && StartOffset == 0) {
                StartOffset = zeros;
                ZipHeaderFlags |= kZipLocalFound;
            }
        } else if (result == atZipDS || result == atZipMV) {
            StartOffset = LocateZipDirectory(stream);
            if (ZipHeaderFlags == 0) ZipHeaderFlags = kZipLocalFound;
        } else if (!IsFailureKind(result) && HasAceMark(head, headSize)) {
            result = atAce;
        }
    }
    if (!IsFailureKind(result)) return result;
    if (HasAceMark(head, headSize)) return atAce;
    if (IsUuencoded(stream)) return atUUE;
    if (IsTar(stream)) return atTar;
    StartOffset = LocateZipDirectory(stream);
    if (StartOffset > 0)
        return GetLe16(EndOfCentralDir.data() + 4) != 0 ? SpannedDiskKind() : atZip;
    StartOffset = -1;
    return ScanForSignatures(stream, 0);
}

TArcType TRegisterArxon::ClassifySignature(TArxBaseStream& stream, Where where,
                                           const std::uint8_t* b) {
    const bool atStart = where == Where::AtStart;
    auto pick = [atStart](TArcType start, TArcType inside) { return atStart ? start : inside; };
    if (Starts(b, "BH\x05\x07")) return pick(atBh, atBhExe);
    if (Starts(b, "Rar!")) return pick(atRar, atRarExe);
    if (Starts(b, "PKG5")) return atUnknown;
    if (Starts(b, "MSCF")) return pick(atCab, atCabExe);
    if (Starts(b, "\xB7\xDF\x54\x57")) {
        if (atStart) return atArc;
        StartOffset = kArcSfxStart;
        return atArcExe;
    }
    if (Starts(b, "\x13\x5D\x65\x8C")) return pick(atMsGZ, atUnsupported);
    if (b[2] == '-' && b[3] == 'l') return pick(atLha, atLhaExe);
    if (b[0] == 0x1A && (b[1] == 0x02 || b[1] == 0x1E)) return pick(atArc, atUnsupported);
    if (b[0] == 0x1A && (b[1] == 0x08 || b[1] == 0x09)) return pick(atArc, atArcExe);
    if (b[0] == 0x1A && (b[1] == 0x0A || b[1] == 0x0B)) return pick(atPak, atPakExe);
    const std::uint16_t first = static_cast<std::uint16_t>((b[0] << 8) | b[1]);
    if (first == 0x1F1E || first == 0x2521 || first == 0x1F8B || first == 0x1F9D ||
        first == 0x1F9E || first == 0x1FA0)
        return pick(atGZip, atUnsupported);
    if (Starts(b, "HA")) return pick(atHA, atUnsupported);
    if (b[0] == 'P' && (b[1] == 'K' || b[1] == 'L' || b[1] == 'M' || b[1] == 'N')) {
        if (b[2] == 0x01 && b[3] == 0x02) {
            const TArcType kind = SpannedDiskKind();
            StartOffset = LocateZipDirectory(stream);
            return kind;
        }
        if (b[2] == 0x07 && b[3] == 0x08) return SpannedDiskKind();
        if (Starts(b + 2, "G4") || Starts(b + 2, "CI")) return atNA;
        return pick(atZip, atZipExe);
    }
    if (Starts(b, "ZO")) return pick(atZoo, atUnsupported);
    if (b[0] == 0xB7 && (b[1] == 0x92 || b[1] == 0xDF)) {
        StartOffset = kArcSfxStart;
        return atArcExe;
    }
    if (b[0] == 0x60 && b[1] == 0xEA) return pick(atArj, atArjExe);
    return atNA;
}

TArcType TRegisterArxon::SpannedDiskKind() {
    TDiskManager disk;
    if (!disk.ReadDrive(ArchiveFile, nullptr, nullptr, nullptr, nullptr)) return atNA;
    if (disk.DriveType != kDriveRemovable) return atZipMV;
    std::string label = disk.VolumeLabel.substr(0, disk.VolumeLabel.find(' '));
    std::transform(label.begin(), label.end(), label.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return label == "PKBACK#" ? atZipDS : atZipMV;
}

// ---------------------------------------------------------------------------
// Signature scan, uuencode and tar tests

TArcType TRegisterArxon::ScanForSignatures(TArxBaseStream& stream, std::int64_t from) {
    if (from >= ArchiveSize) return atNA;
    try {
        std::vector<std::uint8_t> block(static_cast<std::size_t>(kScanBlockSize));
        std::int64_t blockStart = from;
        for (int n = 0; n < kScanBlockCount; ++n) {
            const std::int64_t got = ReadAt(stream, blockStart, block.data(), kScanBlockSize);
            if (got <= 0) return atNA;
            bool dropBlock = false;
            const TArcType kind = ScanBlock(stream, block.data(), got, blockStart, from, dropBlock);
            if (!IsFailureKind(kind)) return kind;
            blockStart += got;
        }
    } catch (const std::exception&) {
    }
    return atNA;
}

TArcType TRegisterArxon::ScanBlock(TArxBaseStream& stream, const std::uint8_t* block,
                                   std::int64_t size, std::int64_t blockStart, std::int64_t from,
                                   bool& dropBlock) {
    for (std::int64_t i = 0; i + 2 <= size; ++i) {
        const std::uint8_t* b = block + i;
        const std::int64_t p = blockStart + i;
        const std::int64_t left = size - i;
        // The ACE and LHA marks stand 7 and 2 bytes into their headers: a mark
        // nearer the start of the file has no header before it.
        if (left >= 5 && Starts(b, "**ACE") && p >= kAceMarkOffset && p + 5 <= ArchiveSize) {
            StartOffset = p - kAceMarkOffset;
            return p == kAceMarkOffset ? atAce : atAceExe;
        }
        if (left >= 5 && IsLhaMethodAt(b) && p >= 2) {
            StartOffset = p - 2;
            return p == 2 ? atLha : atLhaExe;
        }
        if (left >= 4 && Starts(b, "BH\x05\x07") &&
            !(left >= 8 && Starts(b + 4, "\x0F\x94\xC3\x84"))) {
            StartOffset = p;
            return p == 0 ? atBh : atBhExe;
        }
        if (left >= 8 && Starts(b, "MSCF") && GetLe32(b + 4) == 0) {
            if (from == 0) {
                dropBlock = true;
                return atNA;
            }
            StartOffset = p;
            return p == 0 ? atCab : atCabExe;
        }
        if (left >= 4 && GetLe32(b) == 0x04034B50u &&
            !(left >= 8 && Starts(b + 4, "\x74\x0B\x3D\x00"))) {
            const std::int64_t directory = LocateZipDirectory(stream);
            StartOffset = directory > 0 ? directory : p;
            return from == 0 ? atZip : atZipExe;
        }
        if (left >= 4 && Starts(b, "Rar!")) {
            StartOffset = p;
            return p == 0 ? atRar : atRarExe;
        }
        if (b[0] == 0x60 && b[1] == 0xEA && left >= 4) {
            const std::int64_t next = i + GetLe16(b + 2) + 10;
            if (next + 2 <= size && block[next] == 0x60 && block[next + 1] == 0xEA) {
                StartOffset = p;
                return p == 0 ? atArj : atArjExe;
            }
        }
    }
    return atNA;
}

bool TRegisterArxon::IsUuencoded(TArxBaseStream& stream) {
    std::vector<std::uint8_t> text(static_cast<std::size_t>(kUuencodeProbe));
    const std::int64_t size = ReadAt(stream, 0, text.data(), kUuencodeProbe);
    bool beginSeen = false;
    for (std::int64_t i = 0; i + 2 < size; ++i) {
        if (i != 0 && text[static_cast<std::size_t>(i - 1)] != '\n') continue;
        const std::uint8_t* line = text.data() + i;
        const std::int64_t left = size - i;
        const bool begins = left >= 5 && Starts(line, "begin");
        if (begins && left >= 7 && (Starts(line, "begin 6") || Starts(line, "begin 7")))
            return true;
        if (begins)
            beginSeen = true;
        else if (beginSeen && line[0] == 'M')
            return true;
    }
    return false;
}

bool TRegisterArxon::IsTar(TArxBaseStream& stream) {
    if (ArchiveSize <= kTarBlock) return false;
    if (ReadAt(stream, 0, TarHeader.data(), kTarBlock) != kTarBlock) return false;
    if (TarHeader[kTarTypeOffset] == 'V') {
        StartOffset = kTarBlock;
        if (ArchiveSize >= 2 * kTarBlock) ReadAt(stream, kTarBlock, TarHeader.data(), kTarBlock);
    }
    if (TarChecksumOk(TarHeader.data())) return true;
    StartOffset = -1;
    return false;
}

// ---------------------------------------------------------------------------
// LocateZipDirectory

std::int64_t TRegisterArxon::LocateZipDirectory(TArxBaseStream& stream) {
    const std::int64_t size = stream.Size();
    if (size <= 0) return 0;
    const std::int64_t tailSize = size <= kZipTailSize ? size - 1 : kZipTailSize;
    ZipHeaderFlags = 0;
    const ProgressDetached detached(stream);

    const std::int64_t tailStart = size - tailSize;
    std::vector<std::uint8_t> tail(static_cast<std::size_t>(std::max<std::int64_t>(tailSize, 0)));
    const std::int64_t got = ReadAt(stream, tailStart, tail.data(), tailSize);

    // The last readable end record: a plain one needs 22 bytes, the variant 26.
    std::int64_t record = -1;
    for (std::int64_t i = got - 4; i >= 0; --i) {
        bool encrypted = false;
        const std::uint32_t signature = GetLe32(tail.data() + i);
        if (ClassifyZipSignature(signature, kZipEndKind, encrypted) != kZipEndKind || encrypted)
            continue;
        const std::int64_t length =
            signature == kZipVariantEnd ? kZipEndRecordVariantSize : kZipEndRecordSize;
        if (i + length > got) continue;
        record = i;
        break;
    }
    if (record < 0) return 0;

    const std::uint8_t* end = tail.data() + record;
    const std::int64_t recordPos = tailStart + record;
    ZipHeaderFlags = kZipEndFound;
    if (record >= 20 && GetLe32(end - 20) == kZip64LocatorSignature)
        ZipHeaderFlags |= kZip64LocatorFound;
    if ((ZipHeaderFlags & kZip64LocatorFound) && record >= 76 &&
        GetLe32(end - 76) == kZip64EndSignature)
        ZipHeaderFlags |= kZip64EndFound;
    std::fill(Zip64Locator.begin(), Zip64Locator.begin() + 4, 0);
    std::fill(Zip64EndOfCentralDir.begin(), Zip64EndOfCentralDir.begin() + 4, 0);

    const std::int64_t plainCandidate = recordPos - GetLe32(end + 12);
    std::int64_t candidate = plainCandidate;
    std::int64_t stated = GetLe32(end + 16);
    if (GetLe32(end) == kZipVariantEnd) {
        std::copy_n(end, kZipEndRecordVariantSize, EndOfCentralDir.begin());
        ZipCommentOffset = recordPos + static_cast<std::int64_t>(kZipEndRecordVariantSize);
        const std::uint64_t offset = GetLe64(end + 16);
        candidate = stated =
            offset > static_cast<std::uint64_t>(size) ? -1 : static_cast<std::int64_t>(offset);
    } else {
        std::fill(EndOfCentralDir.begin(), EndOfCentralDir.end(), 0);
        std::copy_n(end, kZipEndRecordSize, EndOfCentralDir.begin());
        ZipCommentOffset = recordPos + static_cast<std::int64_t>(kZipEndRecordSize);
        if (ZipHeaderFlags & kZip64LocatorFound)
            std::copy_n(end - 20, kZip64LocatorSize, Zip64Locator.begin());
        if (ZipHeaderFlags & kZip64EndFound) {
            std::copy_n(end - 76, kZip64EndRecordSize, Zip64EndOfCentralDir.begin());
            const std::uint64_t endRecord = GetLe64(Zip64Locator.data() + 8);
            const std::uint64_t directorySize = GetLe64(Zip64EndOfCentralDir.data() + 40);
            const std::uint64_t directoryOffset = GetLe64(Zip64EndOfCentralDir.data() + 48);
            candidate = endRecord >= directorySize && endRecord <= static_cast<std::uint64_t>(size)
                            ? static_cast<std::int64_t>(endRecord - directorySize)
                            : -1;
            stated = directoryOffset <= static_cast<std::uint64_t>(size)
                         ? static_cast<std::int64_t>(directoryOffset)
                         : -1;
        }
    }
    if (FindCentralHeader(stream, candidate, stated)) return candidate;
    if (FindCentralHeader(stream, plainCandidate, GetLe32(end + 16))) return plainCandidate;
    return ScanForLocalHeader(stream, tailSize);
}

// A central header at `candidate`; on success the shift from the stated
// directory offset, the local header and the flags are kept.
bool TRegisterArxon::FindCentralHeader(TArxBaseStream& stream, std::int64_t candidate,
                                       std::int64_t stated) {
    if (candidate < 0 || stated < 0) return false;
    std::array<std::uint8_t, kZipCentralHeaderSize> central{};
    if (ReadAt(stream, candidate, central.data(), kZipCentralHeaderSize) !=
        static_cast<std::int64_t>(kZipCentralHeaderSize))
        return false;
    bool encrypted = false;
    if (ClassifyZipSignature(GetLe32(central.data()), kZipCentralKind, encrypted) !=
            kZipCentralKind ||
        encrypted)
        return false;
    const std::int64_t shift = candidate - stated;
    if (shift < std::numeric_limits<std::int32_t>::min() ||
        shift > std::numeric_limits<std::int32_t>::max())
        return false;
    CentralHeader = central;
    ZipOffsetShift = static_cast<std::int32_t>(shift);
    ZipHeaderFlags |= kZipCentralFound;
    const std::int64_t local = std::int64_t{GetLe32(central.data() + 42)} + shift;
    if (ReadAt(stream, local, LocalHeader.data(), kZipLocalHeaderSize) ==
        static_cast<std::int64_t>(kZipLocalHeaderSize)) {
        if (ClassifyZipSignature(GetLe32(LocalHeader.data()), kZipLocalKind, encrypted) ==
            kZipLocalKind)
            ZipHeaderFlags |= kZipLocalFound;
    }
    return true;
}

std::int64_t TRegisterArxon::ScanForLocalHeader(TArxBaseStream& stream, std::int64_t blockSize) {
    if (blockSize <= 0) return -1;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(blockSize));
    std::int64_t blockStart = 0;
    for (int n = 0; n < 4; ++n) {
        const std::int64_t got = ReadAt(stream, blockStart, block.data(), blockSize);
        if (got <= 0) return -1;
        for (std::int64_t i = 0; i + 4 <= got; ++i) {
            bool encrypted = false;
            if (block[static_cast<std::size_t>(i)] == 'P' &&
                ClassifyZipSignature(GetLe32(block.data() + i), kZipLocalKind, encrypted) ==
                    kZipLocalKind) {
                ZipHeaderFlags = kZipLocalFound;
                return blockStart + i;
            }
        }
        blockStart += got;
    }
    return -1;
}

// ---------------------------------------------------------------------------
// Volume number

void TRegisterArxon::DetectVolumeNumber() {
    VolumeNumber = 0;
    char defaultLetter = 0;
    const char* defaultExtension = "";
    switch (ArcType) {
    case atAce:
    case atAceExe:
        defaultLetter = 'C';
        defaultExtension = "Ace";
        break;
    case atArj:
    case atArjExe:
        defaultLetter = 'a';
        defaultExtension = "Arj";
        break;
    case atJar:
    case atJarExe:
        defaultLetter = 'j';
        defaultExtension = "Jar";
        break;
    case atRar:
    case atRarExe:
        defaultLetter = 'q';
        defaultExtension = "Rar";
        break;
    default:
        return;
    }
    VolumeLetter = defaultLetter;
    std::string extension = LowerExtension(ArchiveFile);
    {
        // The extension as written, without its dot.
        const auto dot = ArchiveFile.find_last_of('.');
        extension = extension.empty() ? defaultExtension : ArchiveFile.substr(dot + 1);
    }
    // Only the trailing digits count: "r01" is 1, "r0a" has none.
    std::size_t digits = 0;
    while (digits < extension.size() &&
           std::isdigit(static_cast<unsigned char>(extension[extension.size() - 1 - digits])))
        ++digits;
    std::int64_t number = -1;
    if (digits > 0 && digits <= 9) {
        number = std::stoll(extension.substr(extension.size() - digits));
        VolumeLetter = extension[0];
    }
    if (number == -1)
        VolumeNumber = (ArcType == atArj || ArcType == atArjExe) ? 1 : 0;
    else
        VolumeNumber = static_cast<std::int32_t>(number + 1);
}

} // namespace sorvane
