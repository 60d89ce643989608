// ARC methods 5, 6 and 7, crunched: LZW with fixed 12-bit codes and a hashed
// string table (old hash for 5 and 6, new hash for 7); 6 and 7 then decode
// run lengths.
#pragma once

#include "archive/codecs/arxArcMember.h"

#include <cstdint>

namespace sorvane {

// The slot of the string table where the entry (predecessor, follower) is
// first tried: the old hash of methods 5 and 6, or the new one of method 7.
// The predecessor of a single byte is 0xFFFF. Sums are 16-bit, as the format
// was defined on 16-bit machines.
std::uint16_t CrunchHash(std::uint16_t predecessor, std::uint8_t follower, bool newHash);

// Decodes one crunched member (method 5, 6 or 7) through its I/O; stops at
// the end of the packed data, and ends as TArcInput::End tells. Raises
// E_RAISE with 25140 (a code outside the string table), 25305 (a string
// longer than the 4,095-byte stack), or as TArcOutput does.
TDecodeResult Uncrunch(TMemberIo& io, std::uint8_t method, TArcBuffers& buffers);

} // namespace sorvane
