// The inflate engine: Deflate (RFC 1951) and its 64 KB-window variant
// Deflate64, raw or wrapped in the RFC 1950 header and Adler-32 trailer,
// behind the TInflateEngine interface the decompressing stream calls.
#pragma once

#include "archive/arxStreamDecompress.h"

#include <memory>

namespace sorvane {

// Which variant a stream decodes. Decided once, when the stream starts.
enum class TInflateMode {
    Deflate,
    Deflate64,
    // The process-wide switch below, read when the stream starts.
    FromSwitch,
};

// The process-wide Deflate64 switch: only the default of engines made with
// TInflateMode::FromSwitch; a running stream keeps the mode it started with.
void SetInflateDeflate64(bool on);
bool InflateDeflate64();

class TInflateCore;

// One engine serves one stream at a time (its state lives in the record).
//   InflateInit(record, windowBits, recordCheck): recordCheck must be 74
//     (else -6, nothing allocated); windowBits < 0 selects raw mode; in
//     Deflate64 mode the window bits grow by 1; accepted 8..15, or 8..16 in
//     Deflate64 mode, else -2; -4 when memory runs out.
//   InflateReset: totals 0, the window emptied; -2 without a state.
//   Inflate(record, flush): 0 progress, 1 stream end, 2 a preset dictionary
//     is asked for (CheckValue holds its id), -2 stream error, -3 data error
//     (sticky until reset), -5 no progress with flush kInflateFinish.
//   InflateEnd: frees the state; -2 without a state.
class TInflate : public TInflateEngine {
public:
    explicit TInflate(TInflateMode mode = TInflateMode::Deflate) : Mode(mode) {}

    // Applies to streams initialised from now on.
    TInflateMode Mode;

    int InflateInit(TInflateRecord& record, int windowBits, int recordCheck) override;
    int InflateReset(TInflateRecord& record) override;
    int InflateEnd(TInflateRecord& record) override;
    int Inflate(TInflateRecord& record, int flush) override;
};

} // namespace sorvane
