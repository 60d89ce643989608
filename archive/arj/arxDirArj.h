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
    // Follows a member continued in the next volumes; false when the walk ended.
    bool FollowVolumes(TArxon& arx, std::int64_t& packed, std::int64_t& unpacked);

    bool multiVolume_ = false;
};

} // namespace sorvane
