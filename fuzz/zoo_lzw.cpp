// The ZOO LZW decoder: the first two bytes give the declared size in KiB
// (plus one byte), the rest is the packed stream.
#include "archive/codecs/arxZooLzw.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 2) return 0;
    const std::int64_t unpacked = 1 + (static_cast<std::int64_t>(data[0]) | data[1] << 8) * 1024;
    return fuzz::RunMember(data + 2, size - 2, unpacked, ZooLzwDecode);
}
