// The inflate engine behind TDecompressStream.
#include "archive/codecs/arxInflate.h"

#include "archive/codecs/arxInflateCore.h"

#include <atomic>

namespace sorvane {

namespace {
std::atomic<bool> deflate64Switch{false};

TInflateCore* CoreOf(TInflateRecord& record) {
    return static_cast<TInflateCore*>(record.State);
}
} // namespace

void SetInflateDeflate64(bool on) {
    deflate64Switch.store(on);
}
bool InflateDeflate64() {
    return deflate64Switch.load();
}

int TInflate::InflateInit(TInflateRecord& record, int windowBits, int recordCheck) {
    if (recordCheck != kInflateRecordCheck) return kInflateVersionError;
    if (record.Alloc == nullptr) record.Alloc = &InflateZeroAlloc;
    if (record.Free == nullptr) record.Free = &InflateRelease;
    record.State = nullptr;
    const bool wide =
        Mode == TInflateMode::Deflate64 || (Mode == TInflateMode::FromSwitch && InflateDeflate64());
    const bool raw = windowBits < 0;
    int bits = raw ? -windowBits : windowBits;
    if (wide) ++bits;
    if (bits < 8 || bits > (wide ? 16 : 15)) return kInflateStreamError;
    TInflateCore* core =
        TInflateCore::Create(record.Alloc, record.Free, record.Opaque, wide, raw, bits);
    if (core == nullptr) return kInflateMemError;
    record.State = core;
    return InflateReset(record);
}

int TInflate::InflateReset(TInflateRecord& record) {
    TInflateCore* core = CoreOf(record);
    if (core == nullptr) return kInflateStreamError;
    core->Reset();
    record.TotalIn = record.TotalOut = 0;
    record.CheckValue = core->CheckValue;
    return kInflateOk;
}

int TInflate::InflateEnd(TInflateRecord& record) {
    TInflateCore* core = CoreOf(record);
    if (core == nullptr || record.Free == nullptr) return kInflateStreamError;
    core->Destroy();
    record.State = nullptr;
    return kInflateOk;
}

int TInflate::Inflate(TInflateRecord& record, int flush) {
    TInflateCore* core = CoreOf(record);
    if (core == nullptr) return kInflateStreamError;
    if (record.NextIn == nullptr && record.AvailIn > 0) return kInflateStreamError;
    if (record.NextOut == nullptr && record.AvailOut > 0) return kInflateStreamError;
    const std::int64_t inBefore = core->TotalIn;
    const std::int64_t outBefore = core->TotalOut;
    const int rc = core->Run(record.NextIn, record.AvailIn, record.NextOut, record.AvailOut, flush);
    record.TotalIn += core->TotalIn - inBefore;
    record.TotalOut += core->TotalOut - outBefore;
    record.CheckValue = core->CheckValue;
    return rc;
}

} // namespace sorvane
