// The directory walk of RAR archives (block format of versions 1.5 to 4):
// file blocks with OEM or Unicode names, members continued across volumes.
#pragma once

#include "archive/arxArxon.h"

#include <cstdint>

namespace sorvane {

struct TRarBlock;

class TRarWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

private:
    void FileStep(TArxon& arx, const TRarBlock& block);
    void Report(TArxon& arx, const TRarBlock& block);
    // Reads the archive header of the volume just opened and moves behind it.
    bool EnterVolume(TArxon& arx);

    std::int64_t packedSum_ = 0; // packed sizes of the parts seen so far
};

} // namespace sorvane
