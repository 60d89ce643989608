// What the archive tests share: a temporary folder of their own, the reading
// and writing of whole files (fixtures of tests/data/archive included) and
// the record of an error report.
#pragma once

#include "archive/arxUnBase.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace sorvane::test {

// A folder of its own under the system's temporary folder, removed with all
// it holds, read-only parts included.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // How many entries the folder holds (not counting those of its subfolders).
    std::size_t Count() const;

private:
    std::string path_;
};

// The path of `relative` below tests/data/archive: below SORVANE_TEST_DATA
// when it is set, else below the tests/data folder beside this source.
std::string DataPath(const std::string& relative);

// The whole content of a file; nothing when it cannot be opened.
std::vector<std::uint8_t> ReadBytes(const std::string& path);
std::string ReadText(const std::string& path);

// The whole content of a fixture below tests/data/archive; a fixture that
// cannot be opened is a test failure and gives nothing.
std::vector<std::uint8_t> FixtureBytes(const std::string& relative);
std::string FixtureText(const std::string& relative);

// Writes a file of exactly these bytes, replacing any it finds.
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);

// One OnError call of a component.
struct Report {
    std::string fileName, extendedMsg, volumeId;
    int code = 0;
    bool operator==(const Report&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Report& r);

// What a member wrote before its verdict: the size of the reader's temporary
// file each time it reports an error or a verdict (a failed member's file is
// removed afterwards). Wraps the OnError and OnEnd already set.
class PartialSizes {
public:
    explicit PartialSizes(TUnBase& reader);
    // The size seen last; 0 when no temporary file was there.
    std::uint64_t Last() const { return seen_.empty() ? 0 : seen_.back(); }
    const std::vector<std::uint64_t>& Seen() const { return seen_; }

private:
    std::vector<std::uint64_t> seen_;
};

} // namespace sorvane::test
