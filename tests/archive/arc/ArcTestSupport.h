// What the ARC reader tests share: the reference of tests/data/archive/arc
// (expected.tsv), ARC headers built by hand, and a reader aimed at one
// archive and one destination that records its reports and verdicts.
#pragma once

#include "archive/arc/arxUnArc.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sorvane::test {

// The fixtures of arc/expected.tsv (paths below tests/data/archive, as
// "arc/x.arc" or "synth/x.arc") with the files the reference tools gave.
std::map<std::string, std::vector<ExpectedFile>> ExpectedArcExtractions();

using Bytes = std::vector<std::uint8_t>;

// One member: a 29-byte header (25 for method 1) and its packed data.
Bytes ArcMember(std::uint8_t method, const std::string& name, const Bytes& packed,
                std::uint32_t unpacked, std::uint16_t crc);
// A folder entry (30) holding `content`, which should end with ArcFolderEnd().
Bytes ArcFolder(const std::string& name, const Bytes& content);
Bytes ArcFolderEnd();
Bytes ArcEnd();
std::uint16_t ArcCrc(const Bytes& data);
Bytes Join(std::initializer_list<Bytes> parts);

// An ARC (or PAK) reader on one archive and one destination: every member,
// stored folders created; reports and CRC verdicts recorded.
struct ArcRun {
    std::unique_ptr<TUnArc> reader = std::make_unique<TUnArc>();
    std::vector<Reported> errors;
    std::vector<std::pair<std::string, bool>> verdicts;

    ArcRun(const std::string& archive, const std::string& destination);
    int Count(int code) const;
    std::string ErrorText() const;
};

} // namespace sorvane::test
