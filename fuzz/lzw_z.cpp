// The .Z decoder on arbitrary input: it must end (done or refused) without
// reading past its input or overrunning its buffers, and never write an
// empty block.
#include "archive/codecs/arxUnLzw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    std::size_t pos = 0;
    std::uint64_t written = 0;
    TLzwZIo io;
    io.Read = [&](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
        if (count <= 0) std::abort();
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), size - pos);
        std::memcpy(buf, data + pos, n);
        pos += n;
        return static_cast<std::int64_t>(n);
    };
    io.Write = [&](const std::uint8_t*, std::int64_t count) {
        if (count <= 0) std::abort();
        written += static_cast<std::uint64_t>(count);
        return true;
    };
    UncompressZ(io);
    return 0;
}
