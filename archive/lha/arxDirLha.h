// The directory walk of LHA and LZH archives, header levels 0, 1 and 2: a
// base header, extended headers (levels 1 and 2) that carry the name and the
// folder, then the member's data.
#pragma once

#include "archive/arxArxon.h"

namespace sorvane {

class TLhaWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;
};

} // namespace sorvane
