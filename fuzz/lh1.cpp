// The -lh1- decoder over the whole input, 100,000 bytes declared.
#include "archive/codecs/arxLh1.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    return fuzz::RunMember(data, size, 100000, [](TMemberIo& io) { return Lh1Decode(io); });
}
