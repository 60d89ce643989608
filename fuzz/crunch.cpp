// ARC crunch: the first byte picks method 5, 6, 7 (fixed 12-bit codes) or 8
// (dynamic codes), the next two give the declared size.
#include "archive/codecs/arxUncrunch.h"
#include "archive/codecs/arxUnsquash.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 3) return 0;
    const auto method = static_cast<std::uint8_t>(5 + data[0] % 4);
    return fuzz::RunMember(data + 3, size - 3, (static_cast<std::int64_t>(data[1]) << 12) | data[2],
                           [method](TMemberIo& io) {
                               TArcBuffers buffers;
                               return method == 8 ? Unsquash(io, method, buffers)
                                                  : Uncrunch(io, method, buffers);
                           });
}
