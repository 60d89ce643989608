// The .Z decoder on arbitrary input, read to its end (reads past it bring
// nothing): it must end (done or
// refused) without overrunning its buffers, and never write an empty block.
#include "archive/codecs/arxUnLzw.h"
#include "fuzz/FuzzTargets.h"

#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    return fuzz::RunMember(data, size, std::numeric_limits<std::int64_t>::max(), UncompressZ,
                           fuzz::TReads::Short);
}
