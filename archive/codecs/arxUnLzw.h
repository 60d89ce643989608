// The Unix "compress" (.Z) decoder: LZW with codes of 9 up to 16 bits, read
// least significant bit first in groups of eight codes, in block mode (code
// 256 clears the table) or in the older non-block form.
#pragma once

#include "archive/codecs/arxMemberIo.h"

#include <cstdint>

namespace sorvane {

// What the three header bytes say of a .Z stream.
enum class TZHeaderVerdict {
    Usable,    // 1F 9D and a mode this decoder reads
    BadHeader, // no 1F 9D signature, or reserved flag bits set
    BadWidth,  // a maximum code width outside 9..16
};

TZHeaderVerdict CheckZHeader(const std::uint8_t* header3);

// Decodes a whole .Z stream read through the I/O from its first byte (the
// header included; PackedSize is not consulted) until the input ends: Done.
// Corrupt for an unusable header, a first code above 255 or a code beyond the
// next free one (what was decoded before stays written); WriteFailed,
// Canceled.
TDecodeResult UncompressZ(TMemberIo& io);

} // namespace sorvane
