// Deflate through the stream engine (raw or wrapped, output taken in steps),
// and raw through the member decoder a reader keeps for its whole run.
#include "archive/codecs/arxInflate.h"
#include "archive/codecs/arxInflate64.h"
#include "fuzz/FuzzTargets.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    const int windowBits = (data[0] & 1) ? 15 : -15;
    const std::size_t step = 1 + data[1] * 64u;
    data += 2;
    size -= 2;
    TInflate engine(TInflateMode::Deflate);
    TInflateRecord record;
    if (engine.InflateInit(record, windowBits, kInflateRecordCheck) != kInflateOk) return 0;
    std::vector<std::uint8_t> out(1 << 20);
    record.NextIn = data;
    record.AvailIn = static_cast<std::int64_t>(size);
    std::size_t made = 0;
    while (made < out.size()) {
        record.NextOut = out.data() + made;
        record.AvailOut = static_cast<std::int64_t>(std::min(step, out.size() - made));
        const std::int64_t before = record.AvailOut;
        const int rc = engine.Inflate(record, kInflateNoFlush);
        made += static_cast<std::size_t>(before - record.AvailOut);
        if (rc != kInflateOk || before == record.AvailOut) break;
    }
    engine.InflateEnd(record);
    static TInflateMember member; // reset from input to input
    return fuzz::RunMember(data, size, static_cast<std::int64_t>(step) * 1024,
                           [](TMemberIo& io) { return member.Decode(io, false); });
}
