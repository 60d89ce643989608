// LHA -lh1-: LZSS over a 4,096-byte window with adaptive Huffman coding of
// literals and match lengths and a fixed code for the upper position bits.
#pragma once

#include "archive/codecs/arxLzhStatic.h"

#include <cstdint>

namespace sorvane {

// Decodes the member's packed bytes into its declared size at most, written
// in blocks of up to 32,768 bytes. The window
// starts filled with spaces. A stream that takes more than a few bytes past
// its packed data ends as InputEnded; no empty write is made.
TDecodeResult Lh1Decode(TMemberIo& Io);

// The same on the reader's bounded I/O of the member (CRC width 16; see
// LzhStaticDecoder::Run): a failed write raises E_RAISE 25136.
TDecodeResult Lh1Decode(TUnBase& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                        std::int64_t PackedSize, std::int64_t UnpackedSize);

} // namespace sorvane
