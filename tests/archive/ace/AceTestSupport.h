// What the ACE reader tests share: a reader aimed at one archive and one
// destination that records its reports, verdicts and volume questions.
#pragma once

#include "archive/ace/arxUnAce.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorvane::test {

struct AceReported {
    std::string fileName, extended;
    int code = 0;
};

// Every member, stored folders created, the next volume taken when it exists
// (declined when missing), through the module at `module`.
struct AceRun {
    std::unique_ptr<TUnACE> reader;
    std::vector<AceReported> errors;
    std::vector<std::pair<std::string, bool>> verdicts;
    int volumeAsks = 0;

    AceRun(const std::string& archive, const std::string& destination,
           const std::string& module = ACE_MODULE_PATH);
    int Count(int code) const;
    std::string ErrorText() const;
};

// A copy of the fixture tests/data/archive/ace/<name> (or another relative
// path below tests/data/archive) in `folder`; its path.
std::string CopyFixture(const std::string& relative, const std::string& folder,
                        const std::string& as = "");

} // namespace sorvane::test
