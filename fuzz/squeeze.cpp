// ARC squeeze (method 4) with a declared size from the first two bytes.
#include "archive/arxMessages.h"
#include "archive/codecs/arxUnsqueeze.h"
#include "fuzz/ArcFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    fuzz::ArcRig rig(data + 2, size - 2, 4, (static_cast<std::int64_t>(data[0]) << 12) | data[1]);
    try {
        Unsqueeze(rig.context);
    } catch (const E_RAISE&) {
    }
    return 0;
}
