// ARC squeeze (method 4) with a declared size from the first two bytes.
#include "archive/codecs/arxUnsqueeze.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    return fuzz::RunMember(data + 2, size - 2, (static_cast<std::int64_t>(data[0]) << 12) | data[1],
                           [](TMemberIo& io) {
                               TArcBuffers buffers;
                               return Unsqueeze(io, buffers);
                           });
}
