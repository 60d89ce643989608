// What the tar, gzip and .Z reader tests share: the reference of
// tests/data/archive/untargz (expected.tsv), a reader aimed at one archive
// and one destination that records its reports, and hand-built tar headers.
#pragma once

#include "archive/arxUnBase.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sorvane::test {

struct ExpectedMember {
    std::string path; // relative, with "/"
    std::uint64_t size = 0;
    std::string sha256;
};

// The fixtures of untargz/expected.tsv (or another table of that format)
// with the files extracted from each.
std::map<std::string, std::vector<ExpectedMember>>
UnTarGzExpected(const std::string& tsv = "untargz/expected.tsv");

// The tar reader (for names ending in ".tar") or the gzip reader on one
// archive and one destination: every member, stored folders created, nested
// tars extracted through `temp`; reports, verdicts and the nested tars
// announced through OnChangeArchive recorded (Reported as for the ZIP reader).
struct TarGzRun {
    std::unique_ptr<TUnBase> reader;
    std::vector<Reported> errors;
    std::vector<std::pair<std::string, bool>> verdicts;
    std::vector<std::pair<std::string, TArcType>> changes;
    int nestedAsked = 0;

    TarGzRun(const std::string& archive, const std::string& destination,
             const std::string& temp = {}, bool untar = true);
    int Count(int code) const;
    std::string ErrorText() const;
};

// A 512-byte tar header (ustar magic, checksum filled in) for `name`.
std::string TarHeader(const std::string& name, char type, std::uint64_t size,
                      const std::string& link = {});
// The data of a member padded to whole blocks.
std::string TarData(const std::string& data);
// Two zero blocks.
std::string TarEnd();

// Every entry below `folder` that is no regular file and no folder (links,
// FIFOs, devices), relative paths.
std::vector<std::string> SpecialEntriesBelow(const std::string& folder);

} // namespace sorvane::test
