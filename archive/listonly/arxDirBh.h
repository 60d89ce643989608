// The directory walk of BH archives: 37-byte headers, each followed by the
// member's name and data.
#pragma once

#include "archive/arxArxon.h"

namespace sorvane {

class TBhWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;
};

} // namespace sorvane
