// Directory walk of ZOO archives.
#include "archive/zoo/arxDirZoo.h"

#include "archive/arxGlobals.h"
#include "archive/zoo/arxZooHeader.h"

#include <string>

namespace sorvane {

void TZooWalk::SetUp(TArxon& arx) {
    TArxonSource source(arx);
    std::int64_t first = 0;
    if (!ReadZooStart(source, first)) {
        arx.EndWalk();
        return;
    }
    arx.Walk.FirstHeader = first;
    arx.Walk.HeaderSize = kZooEntrySize;
}

void TZooWalk::Step(TArxon& arx) {
    TArxonSource source(arx);
    TZooEntry entry;
    const TZooEntryRead read = ReadZooEntry(source, arx.Walk.HeaderOffset, entry);
    if (read == TZooEntryRead::End) {
        arx.EndWalk();
        return;
    }
    if (read == TZooEntryRead::Bad) {
        arx.FailWalk();
        return;
    }
    if (!entry.Deleted) {
        arx.SetOemFileName(entry.RawName, TNameHost::Dos);
        arx.FireReadFile();
        if (arx.MatchSpec()) {
            TArxonEntry listed;
            listed.FileDate = DosDateTimeToDateTime(entry.DosDate);
            listed.CreatorVersion = entry.MajorVersion;
            listed.ExtractVersion = entry.MinorVersion;
            listed.UnpackedSize = entry.UnpackedSize;
            listed.PackedSize = entry.PackedSize;
            listed.Crc = entry.Crc;
            listed.CompressMethod = entry.Method;
            listed.CompressMethodName = arx.GetMethodName(entry.Method, 0);
            arx.ReportFile(listed);
        }
    }
    if (arx.Walk.Ended) return;
    switch (ZooNextOf(entry, source)) {
    case TZooNext::On:
        arx.Walk.Position = entry.Next;
        break;
    case TZooNext::Back:
        arx.FailWalk();
        break;
    case TZooNext::PastEnd:
        arx.FailWalk(kMsgReadError);
        break;
    }
}

} // namespace sorvane
