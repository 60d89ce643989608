// ZIP Deflate and Deflate64 members on decoding cores of their own (each
// with its own input buffer, window and tables), separate from the stream
// engine; kept from member to member and reset for each.
#pragma once

#include "archive/codecs/arxMemberIo.h"
#include "archive/codecs/arxZipMember.h"

#include <cstdint>
#include <vector>

namespace sorvane {

class TInflateCore;

// One decoder for the members of a run: the cores (one per variant) and the
// buffers are made when first needed and only reset afterwards.
class TInflateMember {
public:
    TInflateMember() = default;
    ~TInflateMember();
    TInflateMember(const TInflateMember&) = delete;
    TInflateMember& operator=(const TInflateMember&) = delete;

    // Decodes one raw Deflate (or Deflate64) member through its I/O; produces
    // at most its declared size. Done at the stream's end or at the declared
    // size; InputEnded when the packed data end first; Corrupt for data that
    // cannot occur (or no memory for a core); WriteFailed, Canceled.
    TDecodeResult Decode(TMemberIo& io, bool deflate64);
    // Packed bytes the last member's stream took (to its end, when it ended).
    std::int64_t Consumed() const { return consumed_; }

private:
    TInflateCore* cores_[2] = {nullptr, nullptr};
    std::vector<std::uint8_t> input_, output_;
    std::int64_t consumed_ = 0;
};

// Decodes one Deflate64 member on a decoder of its own.
TDecodeResult Inflate64Member(TMemberIo& io);
// The fixed form: true when the member record's Deflate64 stream decodes.
bool Inflate64(TZipMemberContext& context);

} // namespace sorvane
