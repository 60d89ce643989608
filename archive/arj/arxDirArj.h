// The directory walk of ARJ archives, with members continued across volumes.
#pragma once

#include "archive/arxArxon.h"

#include <cstdint>
#include <vector>

namespace sorvane {

class TArjWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

private:
    // Reads the basic header of `size` bytes at `pos` into basic_, as far as
    // the header buffer holds; false when the header reaches past the volume.
    bool ReadBasic(TArxon& arx, std::int64_t pos, std::int64_t size);
    // Follows a member continued in the next volumes; false when the walk ended.
    bool FollowVolumes(TArxon& arx, std::int64_t& packed, std::int64_t& unpacked);

    std::vector<std::uint8_t> basic_;
    bool multiVolume_ = false;
};

} // namespace sorvane
