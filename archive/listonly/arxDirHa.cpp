// Directory walk of HA archives.
#include "archive/listonly/arxDirHa.h"

#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"

#include <string>

namespace sorvane {
namespace {

// The walk reads each header from the byte before it, so that the header
// record keeps the layout below.
constexpr std::int64_t kFirstRead = 3;
constexpr std::int64_t kRecordSize = 18;
constexpr std::size_t kType = 1; // low nibble method, high nibble version
constexpr std::size_t kPackedSize = 2;
constexpr std::size_t kOriginalSize = 6;
constexpr std::size_t kCrc = 10;
constexpr std::size_t kTime = 14; // Unix seconds
// Of a longer name the first bytes are kept.
constexpr std::int64_t kMaxName = 4096;
constexpr std::uint32_t kArchiveAttr = 32;

} // namespace

void THaWalk::SetUp(TArxon& arx) {
    arx.Walk.FirstHeader += kFirstRead;
    arx.Walk.HeaderSize = kRecordSize;
}

void THaWalk::Step(TArxon& arx) {
    const std::uint8_t* h = arx.Walk.Header.data();
    // Path (not kept: members are named without it), then name, each ended
    // by a NUL; then the length of the machine information that precedes the data.
    const ArxReadBytesAt read = [&arx](std::int64_t at, void* buffer, std::int64_t count) {
        return arx.ReadAt(at, buffer, count);
    };
    std::string path, name;
    std::int64_t afterName = arx.Walk.Position;
    std::uint8_t machineInfo = 0;
    if (!ReadNulText(read, afterName, 0, path) || !ReadNulText(read, afterName, kMaxName, name) ||
        !arx.ReadExact(afterName, &machineInfo, 1)) {
        arx.FailWalk();
        return;
    }
    arx.SetOemFileName(name, TNameHost::Dos);
    arx.FireReadFile();
    const std::int64_t packed = GetLe32(h + kPackedSize);
    if (arx.MatchSpec()) {
        TArxonEntry entry;
        entry.FileDate = UnixTimeToDateTime(GetLe32(h + kTime));
        entry.CreatorVersion = entry.ExtractVersion = h[kType] >> 4;
        entry.PackedSize = packed;
        entry.UnpackedSize = GetLe32(h + kOriginalSize);
        entry.Crc = GetLe32(h + kCrc);
        entry.CompressMethod = h[kType] & 0x0F;
        entry.CompressMethodName = GetMethodName(ArxArchiveType::Ha, entry.CompressMethod, 0);
        entry.FileAttr = entry.InternalAttr = kArchiveAttr;
        arx.ReportFile(entry);
    }
    if (arx.Walk.Ended) return;
    // The next read starts on the last byte before the next header.
    arx.MoveWalkTo(afterName + machineInfo + packed);
}

} // namespace sorvane
