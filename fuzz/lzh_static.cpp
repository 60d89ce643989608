// The static-Huffman LZH decoder: the first byte picks the parameter set
// (LHA -lh4- to -lh7-, ARJ), the rest is the packed stream. The run fails
// when the decoder asks past its input, writes past the declared size or
// makes an empty write.
#include "archive/codecs/arxLzhStatic.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 1) return 0;
    static constexpr TLzhParams kSets[] = {kLzhLh4, kLzhLh5, kLzhLh6,
                                           kLzhLh7, kLzhArj, kLzhZooMethod2};
    const TLzhParams params = kSets[data[0] % 6];
    const std::int64_t unpacked = 1 + (data[0] >> 3) * 40000;
    ++data;
    --size;
    std::size_t pos = 0;
    std::int64_t written = 0;
    TLzhIo io;
    io.Read = [&](std::uint8_t* buf, std::int64_t count, bool) -> std::int64_t {
        if (count <= 0 || pos + static_cast<std::size_t>(count) > size) std::abort();
        std::copy_n(data + pos, count, buf);
        pos += static_cast<std::size_t>(count);
        return count;
    };
    io.Write = [&](const std::uint8_t*, std::int64_t count, int) -> std::int64_t {
        if (count <= 0) std::abort();
        written += count;
        if (written > unpacked) std::abort();
        return count;
    };
    LzhStaticDecoder decoder;
    decoder.Setup(params);
    decoder.Run(io, static_cast<std::int64_t>(size), unpacked);
    return 0;
}
