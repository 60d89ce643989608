// ARC method 4, squeezed: Huffman decoding with the member's own tree, then
// run-length decoding.
#pragma once

#include "archive/codecs/arxArcMember.h"

namespace sorvane {

// Decodes one squeezed member through its I/O; stops at the end code or at
// the end of the packed data, and ends as TArcInput::End tells. Raises E_RAISE with 25152
// (a node count outside 0..256, or a child outside the tree), 25140 (output
// past the declared size) or 25136 (a write failed).
TDecodeResult Unsqueeze(TMemberIo& io, TArcBuffers& buffers);

} // namespace sorvane
