// ZIP methods 2 to 5, reduce with compression factors 1 to 4: follower sets
// and DLE-coded matches in a 4,096-byte ring.
#pragma once

#include "archive/codecs/arxMemberIo.h"

namespace sorvane {

// Decodes one reduced member (factor = method - 1, 1..4) until the declared
// unpacked size is produced or the packed data ends (Done; the checks
// decide); InputEnded inside the follower sets; WriteFailed, Canceled.
// Raises E_RAISE with 25116 for a factor outside 1..4.
TDecodeResult Unreduce(TMemberIo& io, int factor);

} // namespace sorvane
