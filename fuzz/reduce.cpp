// ZIP reduce: factor and declared size from the first two bytes.
#include "archive/arxMessages.h"
#include "archive/codecs/arxUnreduce.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    const int factor = 1 + (data[0] & 3);
    fuzz::MemberRig rig(data + 2, size - 2,
                        (static_cast<std::int64_t>(data[0] >> 2) << 12) | data[1]);
    try {
        Unreduce(rig.context, factor);
    } catch (const E_RAISE&) {
    }
    return 0;
}
