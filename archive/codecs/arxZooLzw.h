// The LZW decoder of ZOO archives (method 1): codes read least significant
// bit first, 9 bits wide at first and growing to 13; code 256 clears the
// table, 257 ends the member, 258 is the first free code.
#pragma once

#include "archive/codecs/arxZipMember.h"

namespace sorvane {

// Decodes one member from context.Read into context.Write, never writing more
// than context.UnpackedSize. kZipDecodeDone at the end code or at the declared
// size; kZipDecodeInputExhausted when the packed data ends first (the CRC
// check then decides); kZipDecodeInvalid for a code that cannot occur (a
// first code that is no character, a code beyond the next free one);
// kZipDecodeWriteFailed or kZipDecodeCanceled otherwise.
int ZooLzwDecode(TZipMemberContext& context);

} // namespace sorvane
