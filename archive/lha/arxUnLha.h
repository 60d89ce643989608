// TUnLha, the LHA/LZH reader: extracts or tests the members of LHA and LZH
// archives (self-extracting ones too) with header levels 0, 1 and 2: stored
// (-lh0-), -lh1-, -lh4- to -lh7- and folders (-lhd-).
#pragma once

#include "archive/arxHeaderList.h"
#include "archive/arxUnBase.h"
#include "archive/codecs/arxLh1.h"
#include "archive/codecs/arxLzhStatic.h"
#include "archive/lha/arxLhaHeader.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace sorvane {

// Reads the header at `offset` (the family's header reader) and names the
// member as the reader does: 1 with `header` filled, 0 at the end mark, an
// unknown level or the end of the stream, -1 when it is malformed.
int ReadLhaHeader(TArxBaseStream& stream, std::int64_t offset, bool translateOem,
                  TLhaHeader& header);

class TUnLha : public TUnBase {
public:
    TUnLha();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

private:
    void ExtractMember(TArxBaseStream& stream, const TLhaHeader& header);

    TUnBaseHeaderObj list_;
    LzhStaticDecoder lzh_;
    TLh1Decoder lh1_;
};

} // namespace sorvane
