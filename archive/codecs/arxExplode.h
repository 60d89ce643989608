// ZIP method 6, implode: Shannon-Fano coded literals, lengths and distances
// over a 4 KB or 8 KB dictionary.
#pragma once

#include "archive/codecs/arxZipMember.h"

namespace sorvane {

// Decodes one imploded member; flags bit 1 selects the 8 KB dictionary,
// flags bit 2 the literal tree. Produces at most the declared unpacked size.
// Returns kZipDecodeDone, or kZipDecodeWriteFailed, kZipDecodeInputExhausted,
// kZipDecodeInvalid (bad trees), kZipDecodeCanceled; the CRC check decides.
int Explode(TZipMemberContext& context);

} // namespace sorvane
