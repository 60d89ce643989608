// ZIP reduce: factor and declared size from the first two bytes.
#include "archive/codecs/arxUnreduce.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    const int factor = 1 + (data[0] & 3);
    return fuzz::RunMember(data + 2, size - 2,
                           (static_cast<std::int64_t>(data[0] >> 2) << 12) | data[1],
                           [factor](TMemberIo& io) { return Unreduce(io, factor); });
}
