// The ARC and PAK directory walks.
#include "archive/arc/arxDirArc.h"

#include "archive/arxGlobals.h"
#include "archive/arxHelpers.h"

#include <cstring>

namespace sorvane {

namespace {

// Every header has these 25 bytes; all but method 1 (the oldest layout)
// add the 4-byte unpacked size.
constexpr std::int64_t kArcOldHeaderSize = 25;
constexpr std::int64_t kArcSizeField = 4;
constexpr std::uint8_t kArcMarker = 26;
constexpr std::uint8_t kArcFolderMethod = 30;
constexpr std::uint8_t kArcFolderEndMethod = 31;
constexpr std::size_t kArcNameField = 13;
constexpr std::int64_t kArcEndMarkerSize = 2;

} // namespace

void TArcWalk::SetUp(TArxon& arx) {
    prefix_.clear();
    arx.Walk.HeaderSize = kArcOldHeaderSize;
}

void TArcWalk::Step(TArxon& arx) {
    const std::uint8_t* h = arx.Walk.Header.data();
    const std::uint8_t method = h[1];
    // Method 0 is the archive's end marker.
    if (h[0] != kArcMarker || method == 0) {
        arx.EndWalk();
        return;
    }
    // A folder's end marker (the two bytes 26, 31) closes that folder only:
    // the members after it belong to the folder around it.
    if (!pak_ && method == kArcFolderEndMethod) {
        if (prefix_.empty()) {
            arx.EndWalk();
            return;
        }
        prefix_.pop_back();
        prefix_.erase(
            prefix_.find_last_of('\\') == std::string::npos ? 0 : prefix_.find_last_of('\\') + 1);
        arx.Walk.Position = arx.Walk.HeaderOffset + kArcEndMarkerSize;
        return;
    }
    const char* field = reinterpret_cast<const char*>(h + 2);
    std::string name(field, strnlen(field, kArcNameField));
    std::int64_t packed = GetLe32(h + 15);
    std::int64_t unpacked = packed;
    if (method != 1) {
        std::uint8_t field4[kArcSizeField]{};
        if (!arx.ReadExact(arx.Walk.HeaderOffset + kArcOldHeaderSize, field4, kArcSizeField)) {
            arx.EndWalk();
            return;
        }
        unpacked = GetLe32(field4);
        arx.Walk.Position += kArcSizeField;
    }
    const bool folder = !pak_ && method == kArcFolderMethod;
    // A folder's members follow its header; the packed size spans all of them.
    const std::int64_t next = folder ? arx.Walk.Position : arx.Walk.Position + packed;
    if (folder) {
        prefix_ += name + "\\";
        name.clear();
        packed = 0;
        unpacked = 0;
    }
    if (!pak_) name = prefix_ + name;
    arx.SetOemFileName(name, TNameHost::Dos);
    arx.FireReadFile();
    if (packed > arx.Walk.StreamSize - arx.Walk.Position) {
        arx.FailWalk();
        return;
    }
    arx.Walk.Position = next;
    if (!arx.MatchSpec()) return;
    TArxonEntry entry;
    entry.FileDate = arx.DosDateToDateTime(SwapWords(GetLe32(h + 19)));
    entry.PackedSize = packed;
    entry.UnpackedSize = unpacked;
    entry.Crc = GetLe16(h + 23);
    entry.CompressMethod = method;
    entry.FileAttr = folder ? 0x10 : 0x20;
    entry.InternalAttr = static_cast<std::uint16_t>(entry.FileAttr);
    entry.CompressMethodName = GetMethodName(pak_ ? ArxArchiveType::Pak : ArxArchiveType::Arc,
                                             method, 0, ArxMethodEntry{folder, 0});
    if (folder)
        arx.ReportDir(entry);
    else
        arx.ReportFile(entry);
}

} // namespace sorvane
