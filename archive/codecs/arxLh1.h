// LHA -lh1-: LZSS over a 4,096-byte window with adaptive Huffman coding of
// literals and match lengths and a fixed code for the upper position bits.
#pragma once

#include "archive/codecs/arxLzhStatic.h"

#include <cstdint>

namespace sorvane {

// Decodes PackedSize bytes of input into UnpackedSize bytes of output at
// most, written with CRC width 16 in blocks of up to 32,768 bytes. The window
// starts filled with spaces. A stream that takes more than a few bytes past
// its packed data ends as InputEnded; no empty write is made.
TLzhResult Lh1Decode(TLzhIo& Io, std::int64_t PackedSize, std::int64_t UnpackedSize);

// The same, bound to a reader (see LzhStaticDecoder::Run): a failed write
// raises E_RAISE 25136.
TLzhResult Lh1Decode(TZipCommon& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                     std::int64_t PackedSize, std::int64_t UnpackedSize);

} // namespace sorvane
