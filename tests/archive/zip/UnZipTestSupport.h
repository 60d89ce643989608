// What the ZIP reader tests share: the reference of tests/data/archive/zip
// (expected.tsv), a SHA-256 of file contents, the files below a folder, and a
// reader aimed at one archive and one destination that records its reports.
#pragma once

#include "archive/zip/arxUnZip.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sorvane::test {

// One file of the reference extraction of a fixture.
struct ExpectedFile {
    std::string path; // relative, with "/"
    std::uint64_t size = 0;
    std::string sha256;
    std::string modified; // "YYYY-MM-DD hh:mm:ss", local time
    bool readOnly = false;
};

// The fixtures of expected.tsv (their names as written there) with their files.
// `tsv`: a fixture-relative path of a reference table in the same format.
std::map<std::string, std::vector<ExpectedFile>>
ExpectedExtractions(const std::string& tsv = "zip/expected.tsv");

std::string Sha256Hex(const std::vector<std::uint8_t>& data);

// Every regular file below `folder`, relative paths with "/", sorted.
std::vector<std::string> FilesBelow(const std::string& folder);
// The modification time of a file as "YYYY-MM-DD hh:mm:ss" in local time.
std::string ModifiedText(const std::string& path);
bool IsReadOnly(const std::string& path);

struct Reported {
    std::string fileName, extended;
    int code = 0;
};

// A ZIP (or JAR) reader on one archive and one destination: every member,
// stored folders created, password "secret" known, next split volumes taken
// when they exist; reports and CRC verdicts recorded.
struct ReaderRun {
    std::unique_ptr<TUnZip> reader;
    std::vector<Reported> errors;
    std::vector<std::pair<std::string, bool>> verdicts;

    ReaderRun(const std::string& archive, const std::string& destination, bool jar = false);
    int Count(int code) const;
    std::string ErrorText() const;
};

} // namespace sorvane::test
