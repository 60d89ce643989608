// ZIP method 1, shrink: dynamic LZW with 9- to 13-bit codes and partial clears.
#pragma once

#include "archive/codecs/arxZipMember.h"

namespace sorvane {

// Decodes one shrunk member through the context's input and output; stops at
// the end of the packed data or at the declared unpacked size. Raises E_RAISE
// with 25116 (bad code or code size), 25305 (stack overflow) or 25136 (a
// write failed); a canceled run just returns.
void Unshrink(TZipMemberContext& context);

} // namespace sorvane
