// Deflate64: the ZIP member decoder with a declared size, and the stream
// engine in Deflate64 mode over the same bytes.
#include "archive/codecs/arxInflate.h"
#include "archive/codecs/arxInflate64.h"
#include "fuzz/FuzzTargets.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    const std::int64_t declared = (static_cast<std::int64_t>(data[0]) << 12) | data[1];
    data += 2;
    size -= 2;
    fuzz::RunMember(data, size, declared, Inflate64Member);

    TInflate engine(TInflateMode::Deflate64);
    TInflateRecord record;
    if (engine.InflateInit(record, -15, kInflateRecordCheck) != kInflateOk) return 0;
    std::vector<std::uint8_t> out(1 << 20);
    record.NextIn = data;
    record.AvailIn = static_cast<std::int64_t>(size);
    record.NextOut = out.data();
    record.AvailOut = static_cast<std::int64_t>(out.size());
    engine.Inflate(record, kInflateNoFlush);
    engine.InflateEnd(record);
    return 0;
}
