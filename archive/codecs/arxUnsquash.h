// ARC method 8 (crunched, dynamic LZW up to 12 bits, then run-length
// decoding) and method 9 (squashed, dynamic LZW up to 13 bits).
#pragma once

#include "archive/codecs/arxArcMember.h"

namespace sorvane {

// Decodes one member of method 8 or 9 through its I/O; stops at the end of
// the packed data, and ends as TArcInput::End tells. Raises E_RAISE with
// 25134 (a method-8 code width byte other than 12), 25140 (a code beyond the
// next free one, or a first code that is no byte), 25305 (a string longer
// than the 8,192-byte stack), or as TArcOutput does.
TDecodeResult Unsquash(TMemberIo& io, std::uint8_t method, TArcBuffers& buffers);

} // namespace sorvane
