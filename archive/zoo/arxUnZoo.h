// TUnZoo, the ZOO reader: extracts or tests the members of ZOO archives,
// stored (method 0), LZW (method 1) and lh5 (method 2), each checked against
// its CRC-16. Deleted entries are left out, as the listing leaves them out.
#pragma once

#include "archive/arxHeaderList.h"
#include "archive/arxUnBase.h"
#include "archive/codecs/arxLzhStatic.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sorvane {

class TUnZoo : public TUnBase {
public:
    TUnZoo();

    void ExtractFiles(std::unique_ptr<TArxBaseStream>& InStream, int Arg) override;

    // One directory entry.
    struct TZooEntry {
        std::int64_t Offset = 0;
        std::uint8_t Method = 0;
        std::int64_t Next = 0;
        std::int64_t DataPos = 0;
        std::uint32_t DosDate = 0;
        std::uint16_t Crc = 0;
        std::int64_t UnpackedSize = 0;
        std::int64_t PackedSize = 0;
        bool Deleted = false;
        std::string Name;
    };

private:
    // Reads the entry at `offset`; false when 58 bytes do not arrive.
    bool ReadEntry(TArxBaseStream& stream, std::int64_t offset, TZooEntry& entry, bool& tagOk);
    void Walk(TArxBaseStream& stream);
    void ExtractMember(TArxBaseStream& stream, const TZooEntry& entry);
    TDecodeResult DecodeMember(TArxBaseStream& stream, TArxBaseStream* out, const TZooEntry& entry);

    TUnBaseHeaderObj list_;
    // Kept for the whole run: the tables and buffers of method 2.
    LzhStaticDecoder lzh_;
};

} // namespace sorvane
