// The directory walk of ZOO archives: the archive header points at a chain
// of 58-byte directory entries, each naming the next.
#pragma once

#include "archive/arxArxon.h"

namespace sorvane {

class TZooWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;
};

} // namespace sorvane
