// ZIP method 9, Deflate64, on a decoding engine of its own (its own input
// buffer, 64 KB window and tables), separate from the stream engine.
#pragma once

#include "archive/codecs/arxZipMember.h"

namespace sorvane {

// Decodes one Deflate64 member; produces at most the declared unpacked size.
// Returns kZipDecodeDone, or kZipDecodeWriteFailed, kZipDecodeInputExhausted
// (the packed data ended first), kZipDecodeInvalid, kZipDecodeCanceled.
int Inflate64Member(TZipMemberContext& context);
// True when Inflate64Member returns kZipDecodeDone.
bool Inflate64(TZipMemberContext& context);

} // namespace sorvane
