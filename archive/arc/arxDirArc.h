// The directory walks of ARC and PAK archives: 29-byte headers, each followed
// by the member's data. ARC keeps folders as method-30 entries.
#pragma once

#include "archive/arxArxon.h"

#include <string>

namespace sorvane {

class TArcWalk : public TArxonWalk {
public:
    TArcWalk() : TArcWalk(false) {}
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;

protected:
    explicit TArcWalk(bool pak) : pak_(pak) {}

private:
    bool pak_;
    std::string prefix_; // the folders an ARC walk is in, each with its "\"
};

class TPakWalk : public TArcWalk {
public:
    TPakWalk() : TArcWalk(true) {}
};

} // namespace sorvane
