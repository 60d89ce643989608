// The directory walk of HA archives: "HA", a member count, then per member a
// fixed header, its path and name, machine information and the data.
#pragma once

#include "archive/arxArxon.h"

namespace sorvane {

class THaWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;
};

} // namespace sorvane
