// TUnZoo, the ZOO reader: extracts or tests the members of ZOO archives,
// stored (method 0), LZW (method 1) and lh5 (method 2), each checked against
// its CRC-16. Deleted entries are left out, as the listing leaves them out.
#pragma once

#include "archive/arxHeaderList.h"
#include "archive/arxUnBase.h"
#include "archive/codecs/arxLzhStatic.h"
#include "archive/zoo/arxZooHeader.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sorvane {

class TUnZoo : public TUnBase {
public:
    TUnZoo();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // One directory entry (the family's header reader), its name as this
    // reader gives it.
    using TZooEntry = sorvane::TZooEntry;

private:
    // Reads the entry at `offset` and names it.
    TZooEntryRead ReadEntry(TArxBaseStream& stream, std::int64_t offset, TZooEntry& entry);
    void Walk(TArxBaseStream& stream);
    void ExtractMember(TArxBaseStream& stream, const TZooEntry& entry);
    TDecodeResult DecodeMember(TArxBaseStream& stream, TArxBaseStream* out, const TZooEntry& entry);

    TUnBaseHeaderObj list_;
    // Kept for the whole run: the tables and buffers of method 2.
    LzhStaticDecoder lzh_;
};

} // namespace sorvane
