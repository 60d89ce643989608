// ARJ's method 4: LZ77 with unary-prefixed lengths and distances, bits read
// most significant first, over a 32,768-byte window.
#pragma once

#include "archive/codecs/arxZipMember.h"

namespace sorvane {

// Decodes one member from context.Read (already deciphered) into
// context.Write until context.UnpackedSize bytes are out; never more. A
// member whose packed data ends gives kZipDecodeInputExhausted once the
// decoder has read a few bytes past it (the CRC check then decides); a
// distance reaching before the first byte of the member is kZipDecodeInvalid.
int ArjMethod4Decode(TZipMemberContext& context);

// Most-significant-first bits over a member's packed bytes. Past the end of
// the packed data zeros are read; Overrun() tells when more than a few such
// bytes were taken.
class TMsbBitReader {
public:
    explicit TMsbBitReader(TZipMemberContext& context);

    std::uint32_t Get(int n); // n: 1..16
    bool Bit() { return Get(1) != 0; }
    bool Overrun() const { return pastEnd_ > kSlack; }
    bool Canceled() const { return in_.Canceled(); }

private:
    static constexpr int kSlack = 4;
    void Fill();

    TZipMemberInput in_;
    std::uint32_t buffer_ = 0; // bits at the top
    int count_ = 0;
    int pastEnd_ = 0;
};

} // namespace sorvane
