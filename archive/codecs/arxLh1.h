// LHA -lh1-: LZSS over a 4,096-byte window with adaptive Huffman coding of
// literals and match lengths and a fixed code for the upper position bits.
#pragma once

#include "archive/codecs/arxLzhStatic.h"

#include <cstdint>
#include <memory>

namespace sorvane {

// One decoder serves the -lh1- members of a run one after another: its tree,
// window and buffers are made on the first member and kept; each member
// starts on a fresh tree and a window of spaces.
class TLh1Decoder {
public:
    TLh1Decoder();
    ~TLh1Decoder();
    TLh1Decoder(const TLh1Decoder&) = delete;
    TLh1Decoder& operator=(const TLh1Decoder&) = delete;

    // Decodes the member's packed bytes into its declared size at most,
    // written in blocks of up to 32,768 bytes. A stream that takes more than a
    // few bytes past its packed data ends as InputEnded; no empty write is made.
    TDecodeResult Decode(TMemberIo& Io);

    // The same on the reader's bounded I/O of the member (CRC width 16; see
    // LzhStaticDecoder::Run): a failed write raises E_RAISE 25136.
    TDecodeResult Run(TUnBase& Reader, TArxBaseStream& In, TArxBaseStream* Out,
                      std::int64_t PackedSize, std::int64_t UnpackedSize);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// One member on a decoder of its own.
TDecodeResult Lh1Decode(TMemberIo& Io);

} // namespace sorvane
