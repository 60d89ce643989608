// What the ARJ and ZOO reader tests share: the reference extraction of a
// fixture folder (expected.tsv: files with size, SHA-256 and date, folders
// ending in "/"), a check of a destination against it, and a reader aimed at
// one archive and one destination that records its reports and verdicts.
#pragma once

#include "archive/arxUnBase.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sorvane::test {

struct ExpectedEntry {
    std::string path; // relative, "/"; folders end in "/"
    std::uint64_t size = 0;
    std::string sha256;
    std::string modified;
};

// The fixtures of <folder>/expected.tsv with their entries.
std::map<std::string, std::vector<ExpectedEntry>> ExpectedOf(const std::string& folder);

// Compares a destination with the reference: every file byte for byte with
// its date, every folder present, nothing else. The number of files.
int CheckExtracted(const std::string& destination, const std::vector<ExpectedEntry>& entries);

struct RunRecord {
    std::vector<std::pair<int, std::string>> errors; // code, file name
    std::vector<std::pair<std::string, bool>> verdicts;
    int passwordQuestions = 0;
    int Count(int code) const;
    std::string Text() const;
};

// Aims `reader` at `archive` and `destination`: every member, folders
// created, next volumes taken when they exist; reports recorded in `record`.
void AimReader(TUnBase& reader, RunRecord& record, const std::string& archive,
               const std::string& destination);

// A copy of a fixture's bytes with `patch` written at `offset`.
std::vector<std::uint8_t> Patched(const std::string& fixture, std::size_t offset,
                                  const std::vector<std::uint8_t>& patch);

} // namespace sorvane::test
