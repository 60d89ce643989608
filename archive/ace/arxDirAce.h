// The directory walk of ACE archives, with members continued across volumes.
#pragma once

#include "archive/arxArxon.h"

#include <cstdint>

namespace sorvane {

class TAceWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

private:
    bool ReadArchiveHeader(TArxon& arx, std::int64_t pos);

    std::uint8_t creatorVersion_ = 0;
    std::int64_t accPacked_ = 0;
};

} // namespace sorvane
