// The static-Huffman LZH decoder: the first byte picks the parameter set
// (LHA -lh4- to -lh7-, ARJ, Zoo) and the declared size, the rest is the packed
// stream. One decoder serves every input, as one serves a reader's run.
#include "archive/codecs/arxLzhStatic.h"
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    if (size < 1) return 0;
    static constexpr TLzhParams kSets[] = {kLzhLh4, kLzhLh5, kLzhLh6,
                                           kLzhLh7, kLzhArj, kLzhZooMethod2};
    static LzhStaticDecoder decoder;
    decoder.Setup(kSets[data[0] % 6]);
    const std::int64_t unpacked = 1 + (data[0] >> 3) * 40000;
    return fuzz::RunMember(data + 1, size - 1, unpacked,
                           [](TMemberIo& io) { return decoder.Run(io); });
}
