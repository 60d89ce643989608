// The LZW decoder of ZOO archives (method 1): codes read least significant
// bit first, 9 bits wide at first and growing to 13; code 256 clears the
// table, 257 ends the member, 258 is the first free code.
#pragma once

#include "archive/codecs/arxZipMember.h"

namespace sorvane {

// Decodes one member through its I/O, never writing more than its declared
// size. Done at the end code or at the declared size; InputEnded when the
// packed data ends first; Corrupt for a code that cannot occur (a first code
// that is no character, a code beyond the next free one); WriteFailed or
// Canceled otherwise.
TDecodeResult ZooLzwDecode(TMemberIo& io);

} // namespace sorvane
