// ZIP implode: flags (dictionary, literal tree) and declared size from the
// first two bytes.
#include "archive/codecs/arxExplode.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    const auto flags = static_cast<std::uint16_t>((data[0] & 3) << 1);
    return fuzz::RunMember(data + 2, size - 2,
                           (static_cast<std::int64_t>(data[0] >> 2) << 12) | data[1],
                           [flags](TMemberIo& io) { return ExplodeMember(io, flags); });
}
