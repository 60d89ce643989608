// The ARC and PAK directory walks.
#include "archive/arc/arxDirArc.h"

#include "archive/arc/arxArcHeader.h"
#include "archive/arxGlobals.h"

namespace sorvane {

namespace {

// The marker and the method: what the walk loop reads before each step.
constexpr std::int64_t kArcMarkerAndMethod = 2;

} // namespace

void TArcWalk::SetUp(TArxon& arx) {
    prefix_.clear();
    arx.Walk.HeaderSize = kArcMarkerAndMethod;
}

void TArcWalk::Step(TArxon& arx) {
    TArxonSource source(arx);
    TArcHeader header;
    const std::int64_t at = arx.Walk.HeaderOffset;
    const TArcHeaderRead read = ReadArcHeader(source, at, pak_, header);
    if (read == TArcHeaderRead::End) {
        arx.EndWalk();
        return;
    }
    if (read == TArcHeaderRead::CutShort) {
        arx.FailWalk(kMsgReadError);
        return;
    }
    // A folder's end marker (the two bytes 26, 31) closes that folder only:
    // the members after it belong to the folder around it.
    if (IsArcFolderEnd(header, pak_)) {
        if (prefix_.empty()) {
            arx.EndWalk();
            return;
        }
        prefix_.pop_back();
        prefix_.erase(
            prefix_.find_last_of('\\') == std::string::npos ? 0 : prefix_.find_last_of('\\') + 1);
        arx.Walk.Position = at + header.HeaderSize;
        return;
    }
    std::string name = header.RawName;
    std::int64_t packed = header.PackedSize;
    std::int64_t unpacked = header.UnpackedSize;
    const bool folder = IsArcFolder(header, pak_);
    const std::int64_t dataPos = at + header.HeaderSize;
    // A folder's members follow its header; the packed size spans all of them.
    if (folder) {
        prefix_ += name + "\\";
        name.clear();
        packed = 0;
        unpacked = 0;
    }
    if (!pak_) name = prefix_ + name;
    arx.SetOemFileName(name, TNameHost::Dos);
    arx.FireReadFile();
    if (!folder && !ArcDataWhole(header, at, source)) {
        arx.FailWalk();
        return;
    }
    arx.Walk.Position = folder ? dataPos : dataPos + packed;
    if (arx.MatchSpec()) {
        TArxonEntry entry;
        entry.FileDate = arx.DosDateToDateTime(header.DosDate);
        entry.PackedSize = packed;
        entry.UnpackedSize = unpacked;
        entry.Crc = header.Crc;
        entry.CompressMethod = header.Method;
        entry.FileAttr = folder ? 0x10 : 0x20;
        entry.InternalAttr = static_cast<std::uint16_t>(entry.FileAttr);
        entry.CompressMethodName = GetMethodName(pak_ ? ArxArchiveType::Pak : ArxArchiveType::Arc,
                                                 header.Method, 0, ArxMethodEntry{folder, 0});
        if (folder)
            arx.ReportDir(entry);
        else
            arx.ReportFile(entry);
    }
}

} // namespace sorvane
