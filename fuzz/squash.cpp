// ARC squash (method 9, dynamic LZW up to 13 bits) with a declared size from
// the first two bytes.
#include "archive/arxMessages.h"
#include "archive/codecs/arxUnsquash.h"
#include "fuzz/ArcFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    fuzz::ArcRig rig(data + 2, size - 2, 9, (static_cast<std::int64_t>(data[0]) << 12) | data[1]);
    try {
        Unsquash(rig.context);
    } catch (const E_RAISE&) {
    }
    return 0;
}
