// ARC squeeze: a 16-bit node count (0..256), then two 16-bit children per
// node. A child of 0 or more is another node; a negative child v is a leaf
// for the byte -(v + 1), and -257 is the end code. Bits are taken least
// significant first; with no nodes the root is the end code.
#include "archive/codecs/arxUnsqueeze.h"

#include "archive/arxMessages.h"

#include <array>
#include <vector>

namespace sorvane {

namespace {

constexpr int kMaxNodes = 256;
constexpr int kEndCode = 256;

// A 16-bit little-endian word of the input, or -1 when the input ended.
int Word(TArcInput& input) {
    const int low = input.Byte();
    if (low < 0) return -1;
    const int high = input.Byte();
    if (high < 0) return -1;
    return low | (high << 8);
}

} // namespace

TDecodeResult Unsqueeze(TMemberIo& io, TArcBuffers& buffers) {
    TArcInput input(io, buffers);
    TArcOutput output(io, buffers);
    TArcSink sink(output, true);

    const int count = Word(input);
    if (count < 0) return input.End();
    if (count > kMaxNodes) throw E_RAISE(kMsgInvalidDecodeTree);
    std::vector<std::array<std::int16_t, 2>>& nodes = buffers.nodes;
    nodes.resize(static_cast<std::size_t>(count));
    for (auto& node : nodes) {
        for (std::int16_t& child : node) {
            const int word = Word(input);
            if (word < 0) return input.End();
            child = static_cast<std::int16_t>(word);
            // Every child is a node of the tree or a leaf of byte or end code.
            if (child >= count || child < -(kEndCode + 1)) throw E_RAISE(kMsgInvalidDecodeTree);
        }
    }
    if (count == 0) return input.End(); // the root is the end code

    int bits = 0, bitCount = 0;
    for (;;) {
        int node = 0;
        do {
            if (bitCount == 0) {
                bits = input.Byte();
                if (bits < 0) {
                    output.Flush();
                    return input.End();
                }
                bitCount = 8;
            }
            node = nodes[static_cast<std::size_t>(node)][static_cast<std::size_t>(bits & 1)];
            bits >>= 1;
            --bitCount;
        } while (node >= 0);
        const int value = -(node + 1);
        if (value == kEndCode) break;
        sink.Put(static_cast<std::uint8_t>(value));
    }
    output.Flush();
    return input.End();
}

} // namespace sorvane
