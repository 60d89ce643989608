// The BH directory walk.
#include "archive/listonly/arxDirBh.h"

#include "archive/arxGlobals.h"

namespace sorvane {

namespace {

constexpr std::int64_t kBhHeaderSize = 37;
constexpr std::uint32_t kBhSignature = 0x07054842u; // "BH" 5 7
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::int64_t kEncryptionHeader = 12;

} // namespace

void TBhWalk::SetUp(TArxon& arx) {
    arx.Walk.HeaderSize = kBhHeaderSize;
}

void TBhWalk::Step(TArxon& arx) {
    const std::uint8_t* h = arx.Walk.Header.data();
    if (GetLe32(h) != kBhSignature || GetLe16(h + 4) == 0) {
        arx.EndWalk();
        return;
    }
    const std::int64_t nameLength = h[33];
    std::string name;
    if (!arx.ReadName(arx.Walk.Position, nameLength, name)) {
        arx.FailWalk();
        return;
    }
    arx.Walk.Position += nameLength;
    arx.SetOemFileName(name, TNameHost::Dos);
    arx.FireReadFile();
    const std::int64_t packed = GetLe32(h + 15);
    if (packed > arx.Walk.StreamSize - arx.Walk.Position) {
        arx.FailWalk();
        return;
    }
    arx.Walk.Position += packed;
    if (!arx.MatchSpec()) return;
    const std::uint8_t flags = h[9];
    const std::uint32_t attributes = GetLe32(h + 27);
    TArxonEntry entry;
    entry.FileDate = arx.DosDateToDateTime(GetLe32(h + 11));
    entry.CreatorVersion = h[7];
    entry.ExtractVersion = h[8];
    entry.Encrypted = (flags & 1) != 0;
    entry.PackedSize =
        entry.Encrypted && packed > kEncryptionHeader - 1 ? packed - kEncryptionHeader : packed;
    entry.UnpackedSize = GetLe32(h + 19);
    entry.Crc = GetLe32(h + 23);
    entry.CompressMethod = h[10];
    entry.CompressMethodName = GetMethodName(ArxArchiveType::Bh, h[10], flags);
    entry.FileAttr = attributes;
    entry.InternalAttr = static_cast<std::uint16_t>(attributes);
    if ((attributes & kDirectoryAttr) != 0)
        arx.ReportDir(entry);
    else
        arx.ReportFile(entry);
}

} // namespace sorvane
