// The ACE 1.0 LZ77 decoder: the first three bytes give the unpacked size (at
// most 16 MiB) and a read step, the rest is the packed data, read to its end.
// The decoder may never ask for input it has been told has ended, nor give
// more than the size.
#include "archive/codecs/arxAceLz77.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 3) return 0;
    const auto unpacked = static_cast<std::int64_t>(
        (std::uint64_t{data[0]} << 16 | std::uint64_t{data[1]} << 8) * (1u + (data[2] & 0x0F)));
    const std::size_t step = 1 + (data[2] >> 4) * 97u;
    static TAceLz77 decoder; // its 4 MiB window is made once
    decoder.ResetDictionary();
    return fuzz::RunMember(
        data + 3, size - 3, unpacked, [](TMemberIo& io) { return decoder.Decode(io); },
        fuzz::TReads::ToEnd, step);
}
