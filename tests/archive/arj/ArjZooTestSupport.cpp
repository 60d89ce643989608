// Shared support of the ARJ and ZOO reader tests.
#include "tests/archive/arj/ArjZooTestSupport.h"

#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/zip/UnZipTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace sorvane::test {

std::map<std::string, std::vector<ExpectedEntry>> ExpectedOf(const std::string& folder) {
    std::map<std::string, std::vector<ExpectedEntry>> result;
    std::istringstream lines(FixtureText(folder + "/expected.tsv"));
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::string field;
        std::istringstream parts(line);
        while (std::getline(parts, field, '\t'))
            fields.push_back(field);
        if (fields.size() < 2) continue;
        ExpectedEntry entry;
        entry.path = fields[1];
        if (fields.size() >= 5) {
            entry.size = std::stoull(fields[2]);
            entry.sha256 = fields[3];
            entry.modified = fields[4];
        }
        result[fields[0]].push_back(entry);
    }
    return result;
}

int CheckExtracted(const std::string& destination, const std::vector<ExpectedEntry>& entries) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const ExpectedEntry& entry : entries) {
        SCOPED_TRACE(entry.path);
        const std::string path = destination + "/" + entry.path;
        if (!entry.path.empty() && entry.path.back() == '/') {
            EXPECT_TRUE(fs::is_directory(path));
            continue;
        }
        files.push_back(entry.path);
        const auto bytes = ReadBytes(path);
        EXPECT_EQ(bytes.size(), entry.size);
        EXPECT_EQ(Sha256Hex(bytes), entry.sha256);
        EXPECT_EQ(ModifiedText(path), entry.modified);
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(FilesBelow(destination), files);
    return static_cast<int>(files.size());
}

int RunRecord::Count(int code) const {
    return static_cast<int>(std::count_if(errors.begin(), errors.end(),
                                          [code](const auto& e) { return e.first == code; }));
}

std::string RunRecord::Text() const {
    std::string text;
    for (const auto& [code, name] : errors)
        text += std::to_string(code) + " " + name + "\n";
    return text;
}

void AimReader(TUnBase& reader, RunRecord& record, const std::string& archive,
               const std::string& destination) {
    reader.SetArchiveFile(archive);
    reader.SetExtractDir(destination);
    reader.FileSpec = {"*"};
    reader.CreateStoredDirs = true;
    reader.OnError = [&record](TZipCommon&, const std::string& f, const std::string&,
                               const std::string&,
                               int code) { record.errors.emplace_back(code, f); };
    reader.OnEnd = [&record](TZipCommon&, const std::string& name, bool pass) {
        record.verdicts.emplace_back(name, pass);
    };
    reader.OnNextVolume = [](TZipCommon&, std::string&, int, bool exists, bool& cancel) {
        cancel = !exists;
    };
}

std::vector<std::uint8_t> Patched(const std::string& fixture, std::size_t offset,
                                  const std::vector<std::uint8_t>& patch) {
    auto bytes = FixtureBytes(fixture);
    if (offset + patch.size() <= bytes.size())
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return bytes;
}

} // namespace sorvane::test
