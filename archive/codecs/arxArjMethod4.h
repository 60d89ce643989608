// ARJ's method 4: LZ77 with unary-prefixed lengths and distances, bits read
// most significant first (through the LZH bit reader), over a 32,768-byte
// window.
#pragma once

#include "archive/codecs/arxMemberIo.h"

namespace sorvane {

// Decodes one member through its I/O (the input already deciphered) until
// its declared size is out; never more. A member whose packed data ends gives
// InputEnded once the decoder has read a few bytes past it; a distance
// reaching before the first byte of the member is Corrupt.
TDecodeResult ArjMethod4Decode(TMemberIo& io);

} // namespace sorvane
