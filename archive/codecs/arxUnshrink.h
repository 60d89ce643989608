// ZIP method 1, shrink: dynamic LZW with 9- to 13-bit codes and partial clears.
#pragma once

#include "archive/codecs/arxMemberIo.h"

namespace sorvane {

// Decodes one shrunk member through its I/O; stops at the end of the packed
// data or at the declared unpacked size (Done; the checks decide), or with
// WriteFailed or Canceled. Damaged data raises E_RAISE with 25116 (bad code
// or code size) or 25305 (stack overflow).
TDecodeResult Unshrink(TMemberIo& io);

} // namespace sorvane
