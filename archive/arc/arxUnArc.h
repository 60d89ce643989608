// TUnArc, the ARC and PAK reader: extracts or tests the members of ARC and
// PAK archives, self-extracting ones too, through the extraction base:
// stored (methods 1 and 2), packed (3), squeezed (4), crunched (5 to 8) and
// squashed (9), each checked against its CRC-16.
#pragma once

#include "archive/arc/arxArcHeader.h"
#include "archive/arxHeaderList.h"
#include "archive/arxUnBase.h"
#include "archive/codecs/arxArcMember.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sorvane {

class TUnArc : public TUnBase {
public:
    TUnArc();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // One header as read at its offset (the family's header reader).
    using TArcHeader = sorvane::TArcHeader;

    // Reads the header at `offset` as this archive's kind (ARC or PAK) has it.
    TArcHeaderRead ReadHeader(TArxBaseStream& stream, std::int64_t offset, TArcHeader& header);

private:
    bool IsPak() const { return ArcType == atPak || ArcType == atPakExe; }
    void Walk(TArxBaseStream& stream);
    void ExtractMember(TArxBaseStream& stream, std::int64_t offset, std::uint32_t attr,
                       const std::string& name);
    // Decodes the member's packed data into `out`; false when an error has
    // been reported (no CRC verdict is then due).
    TDecodeResult DecodeMember(TArxBaseStream& stream, std::int64_t dataPos, TArxBaseStream* out,
                               const TArcHeader& header, const std::string& name);

    TUnBaseHeaderObj list_;
    // Kept for the whole run: the decoders' buffers and string table.
    TArcBuffers buffers_;
};

} // namespace sorvane
