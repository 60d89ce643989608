// The ARJ method-4 decoder: three bytes of declared size (least significant
// first), then the packed stream. One decoder serves every input, as one
// serves a reader's run.
#include "archive/codecs/arxArjMethod4.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 3) return 0;
    static TArjMethod4Decoder decoder;
    const std::int64_t unpacked = data[0] | data[1] << 8 | data[2] << 16;
    return fuzz::RunMember(data + 3, size - 3, unpacked,
                           [](TMemberIo& io) { return decoder.Decode(io); });
}
