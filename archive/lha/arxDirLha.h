// The directory walk of LHA and LZH archives, header levels 0, 1 and 2: a
// base header, extended headers (levels 1 and 2) that carry the name and the
// folder, then the member's data.
#pragma once

#include "archive/arxArxon.h"

#include <cstdint>
#include <string>

namespace sorvane {

class TLhaWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

private:
    // What the extended headers of one member say.
    struct Extended {
        std::string Name;       // type 1, file name
        std::string Folder;     // type 2, folder name
        std::int64_t Bytes = 0; // all extended headers together
    };
    // Levels 0 and 1: the name in the base header, extended headers (level 1)
    // counted in the packed size.
    void LevelOneStep(TArxon& arx, std::uint8_t level);
    // Level 2: a 16-bit header size; name and folder in extended headers.
    void LevelTwoStep(TArxon& arx);
    // Reads the chain of extended headers starting with `size` at `pos`, none
    // reaching past `limit`; false when one is malformed.
    static bool ReadExtended(TArxon& arx, std::int64_t pos, std::int64_t size, std::int64_t limit,
                             Extended& out);
    void Report(TArxon& arx, const std::string& name, const Extended& extended, std::int64_t packed,
                std::uint16_t crc, bool unixTime, TNameHost host);
};

} // namespace sorvane
