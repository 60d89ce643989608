// What the cabinet reader tests share: the reference of
// tests/data/archive/cab (expected.tsv) and a cabinet reader aimed at one
// archive and one destination that records its reports, verdicts and the
// next cabinets it was asked for.
#pragma once

#include "archive/cab/arxUnCab.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sorvane::test {

// The folder the cabinet module is built into.
std::string ModuleFolder();

struct CabExpectedFile {
    std::string path; // relative, with "/"
    std::uint64_t size = 0;
    std::string sha256;
};

// The fixtures of expected.tsv (their file names) with their files.
std::map<std::string, std::vector<CabExpectedFile>> CabExpectations();

// The path of a cabinet fixture named in expected.tsv (below cab/; the synth
// cabinets as ../synth/<name>).
std::string CabFixturePath(const std::string& name);

struct CabReported {
    std::string fileName, extended;
    int code = 0;
};

// A cabinet reader on one archive and one destination: every member, stored
// folders created, next cabinets taken when they exist (or as `acceptNext`
// says); reports, verdicts and next-cabinet questions recorded.
struct CabRun {
    std::unique_ptr<TUnCab> reader;
    std::vector<CabReported> errors;
    std::vector<std::pair<std::string, bool>> verdicts;
    std::vector<std::string> asked; // OnNextVolume's names
    bool acceptNext = true;

    CabRun(const std::string& archive, const std::string& destination);
    int Count(int code) const;
    std::string ErrorText() const;
};

} // namespace sorvane::test
