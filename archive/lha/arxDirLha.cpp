// Directory walk of LHA and LZH archives.
#include "archive/lha/arxDirLha.h"

#include "archive/arxGlobals.h"
#include "archive/lha/arxLhaHeader.h"

#include <algorithm>

namespace sorvane {
namespace {

constexpr int kDirectoryMethodCode = 100;
constexpr std::uint32_t kDirectoryAttr = 0x10;
constexpr std::uint16_t kInternalAttr = 32;

} // namespace

// The loop hands each step one byte, the first of a header: a header cut
// short by the end of the file still reaches the header reader.
void TLhaWalk::SetUp(TArxon& arx) {
    arx.Walk.HeaderSize = 1;
}

void TLhaWalk::Step(TArxon& arx) {
    TArxonSource source(arx);
    TLhaHeader header;
    const int read = ReadLhaHeader(source, arx.Walk.HeaderOffset, header);
    // The end mark, and level 3 and unknown levels, which are not listed.
    if (read == 0) {
        arx.EndWalk();
        return;
    }
    if (read < 0) {
        arx.FailWalk();
        return;
    }
    arx.SetOemFileName(header.RawPath, header.Host);
    arx.FireReadFile();
    if (arx.MatchSpec()) {
        const char method = header.Method[3];
        const bool directory = header.Folder();
        TArxonEntry entry;
        entry.FileDate = header.UnixTime ? UnixTimeToDateTime(*header.UnixTime)
                                         : DosDateTimeToDateTime(header.Time);
        entry.UnpackedSize = header.UnpackedSize;
        entry.PackedSize =
            std::max<std::int64_t>(0, std::min(header.PackedSize, header.UnpackedSize));
        entry.Crc = header.Crc;
        entry.CompressMethod = static_cast<std::uint8_t>(method);
        entry.CompressMethodName = arx.GetMethodName(directory ? kDirectoryMethodCode : method, 0,
                                                     ArxMethodEntry{directory, 0});
        entry.InternalAttr = kInternalAttr;
        entry.FileAttr = header.Attributes();
        if (directory) {
            entry.FileAttr |= kDirectoryAttr;
            arx.ReportDir(entry);
        } else {
            arx.ReportFile(entry);
        }
    }
    if (!arx.Walk.Ended) arx.MoveWalkTo(header.NextPos);
}

} // namespace sorvane
