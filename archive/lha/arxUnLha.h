// TUnLha, the LHA/LZH reader: extracts or tests the members of LHA and LZH
// archives (self-extracting ones too) with header levels 0, 1 and 2: stored
// (-lh0-), -lh1-, -lh4- to -lh7- and folders (-lhd-).
#pragma once

#include "archive/arxHeaderList.h"
#include "archive/arxUnBase.h"
#include "archive/codecs/arxLzhStatic.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace sorvane {

// One LHA member header as the reader and its tests read it.
struct TLhaHeader {
    std::int64_t Offset = 0;
    std::uint8_t Level = 0;
    std::array<char, 5> Method{}; // "-lh5-"
    std::int64_t DataPos = 0;     // the first byte of the member's data
    std::int64_t PackedSize = 0;  // the member's data alone (level 1: extended headers taken off)
    std::int64_t UnpackedSize = 0;
    std::int64_t NextPos = 0; // the next header
    std::uint32_t Time = 0;   // DOS date-time; Unix seconds at level 2
    std::uint8_t Attr = 0;
    std::uint16_t Crc = 0;
    std::string Name; // UTF-8 with "\" separators, folder in front
    bool Folder() const;
    // -lh0-, -lh1-, -lh4- to -lh7-, -lhd-.
    bool Supported() const;
    // The time as a DOS date-time.
    std::uint32_t DosDate() const;
};

// Reads the header at `offset`: 1 with `header` filled, 0 at the end mark,
// an unknown level or the end of the stream, -1 when it is malformed.
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
};

} // namespace sorvane
