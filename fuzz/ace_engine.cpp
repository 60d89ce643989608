// The ACE 1.0 LZ77 decoder: the first three bytes give the unpacked size (at
// most 16 MiB) and a read step, the rest is the packed data. The decoder may
// never ask for input it has been told has ended, nor give more than the size.
#include "archive/codecs/arxAceLz77.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 3) return 0;
    const std::uint64_t unpacked =
        (std::uint64_t{data[0]} << 16 | std::uint64_t{data[1]} << 8) * (1u + (data[2] & 0x0F));
    const std::int64_t step = 1 + (data[2] >> 4) * 97;
    data += 3;
    size -= 3;
    static TAceLz77 decoder; // its 4 MiB window is made once
    decoder.ResetDictionary();
    std::size_t at = 0;
    bool ended = false;
    std::uint64_t written = 0;
    decoder.Decode(
        [&](std::uint8_t* buf, std::int64_t count) -> std::int64_t {
            if (count <= 0 || ended) std::abort();
            const std::size_t n = std::min<std::size_t>(
                {static_cast<std::size_t>(count), static_cast<std::size_t>(step), size - at});
            if (n > 0) std::memcpy(buf, data + at, n);
            at += n;
            if (n == 0) ended = true;
            return static_cast<std::int64_t>(n);
        },
        [&](const std::uint8_t*, std::int64_t count) {
            if (count <= 0) std::abort();
            written += static_cast<std::uint64_t>(count);
            if (written > unpacked) std::abort();
            return true;
        },
        unpacked);
    return 0;
}
