// The directory walk of uuencoded files: one entry, named by the first
// "begin" line of the file's first 32 KiB.
#pragma once

#include "archive/arxArxon.h"

#include <optional>
#include <string>
#include <string_view>

namespace sorvane {

class TUueWalk : public TArxonWalk {
public:
    void SetUp(TArxon& arx) override;
    void Step(TArxon& arx) override;
};

// The name of the first "begin <mode> <name>" line of `text` (the name ends
// at the first blank); nothing when that line names no file.
std::optional<std::string> UueBeginName(std::string_view text);

} // namespace sorvane
