// What the RAR reader tests share: a reader aimed at one archive and one
// destination that records its reports, verdicts and volume questions, and
// RAR archives built in memory for the walk's tests.
#pragma once

#include "archive/rar/arxUnRar.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sorvane::test {

struct RarReport {
    std::string fileName, extended;
    int code = 0;
};

// A RAR reader on one archive and one destination: every member, stored
// folders created, next volumes taken when they exist (and recorded).
struct RarRun {
    std::unique_ptr<TUnRar> reader = std::make_unique<TUnRar>();
    std::vector<RarReport> errors;
    std::vector<std::pair<std::string, bool>> verdicts;
    std::vector<std::string> volumesAsked;

    RarRun(const std::string& archive, const std::string& destination);
    int Count(int code) const;
    std::string ErrorText() const;
};

// One member of an archive built by MakeRar.
struct RarEntry {
    std::string name;           // raw name bytes
    std::string packed;         // the data as stored
    std::int64_t unpacked = -1; // -1: the size of `packed`
    std::uint16_t flags = 0;    // added to 0x8000
    std::uint32_t attributes = 0x20;
    std::uint8_t host = 2;
    std::uint32_t crc = 0; // 0: the CRC-32 of `packed`
    std::uint8_t method = 0x30;
    std::int32_t headerSize = -1;                   // -1: as the fields need
    std::uint32_t highPacked = 0, highUnpacked = 0; // with flag 0x0100
};

// Marker, archive header, the members and an end block; header CRCs are not
// written (the walk does not read them).
std::string MakeRar(const std::vector<RarEntry>& entries);

// The fixtures of tests/data/archive/rar/expected.tsv (the synth ones as
// ../synth/<name>): path, size, SHA-256.
struct RarExpectedFile {
    std::string path;
    std::uint64_t size = 0;
    std::string sha256;
};
std::map<std::string, std::vector<RarExpectedFile>> RarExpectedExtractions();

} // namespace sorvane::test
