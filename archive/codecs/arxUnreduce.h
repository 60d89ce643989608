// ZIP methods 2 to 5, reduce with compression factors 1 to 4: follower sets
// and DLE-coded matches in a 4,096-byte ring.
#pragma once

#include "archive/codecs/arxZipMember.h"

namespace sorvane {

// Decodes one reduced member (factor = method - 1, 1..4) until the declared
// unpacked size is produced or the packed data ends. Raises E_RAISE with
// 25116 for a factor outside 1..4 and 25136 when a write failed.
void Unreduce(TZipMemberContext& context, int factor);

} // namespace sorvane
