// ZIP method 6, implode: Shannon-Fano coded literals, lengths and distances
// over a 4 KB or 8 KB dictionary.
#pragma once

#include "archive/codecs/arxZipMember.h"

namespace sorvane {

// Decodes one imploded member; flags bit 1 selects the 8 KB dictionary,
// flags bit 2 the literal tree. Produces at most the declared unpacked size.
// Corrupt for bad trees; after Done the CRC check decides.
TDecodeResult ExplodeMember(TMemberIo& io, std::uint16_t flags);
// The fixed form: the same on the member record, kZipDecodeDone (0) or the
// code of the other results.
int Explode(TZipMemberContext& context);

} // namespace sorvane
