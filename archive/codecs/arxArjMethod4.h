// ARJ's method 4: LZ77 with unary-prefixed lengths and distances (at most
// 15,872 bytes back), bits read most significant first (through the LZH bit
// reader).
#pragma once

#include "archive/codecs/arxMemberIo.h"

#include <cstdint>
#include <vector>

namespace sorvane {

// One decoder serves the method-4 members of a run one after another: its
// input buffer and window are made on the first member and kept; each member
// starts afresh (a distance never reaches the bytes of the member before).
class TArjMethod4Decoder {
public:
    // Decodes one member through its I/O (the input already deciphered) until
    // its declared size is out; never more. A member whose packed data ends
    // gives InputEnded once the decoder has read a few bytes past it; a
    // distance reaching before the first byte of the member is Corrupt. The
    // output goes out in blocks of 64 KB and at the end.
    TDecodeResult Decode(TMemberIo& io);

private:
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> window_;
};

} // namespace sorvane
