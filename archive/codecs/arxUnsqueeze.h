// ARC method 4, squeezed: Huffman decoding with the member's own tree, then
// run-length decoding.
#pragma once

#include "archive/codecs/arxArcMember.h"

namespace sorvane {

// Decodes one squeezed member through the context's input and output; stops
// at the end code or at the end of the packed data. Raises E_RAISE with 25152
// (a node count outside 0..256, or a child outside the tree), 25140 (output
// past the declared size) or 25136 (a write failed).
void Unsqueeze(TArcMemberContext& context);

} // namespace sorvane
