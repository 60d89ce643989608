// The cabinet reader tests' shared pieces.
#include "tests/archive/cab/UnCabTestSupport.h"

#include "platform/StreamFile.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace sorvane::test {

std::string ModuleFolder() {
    return SORVANE_PROGRAM_DIR;
}

std::map<std::string, std::vector<CabExpectedFile>> CabExpectations() {
    std::map<std::string, std::vector<CabExpectedFile>> result;
    std::istringstream lines(FixtureText("cab/expected.tsv"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string fixture, path, size, sha;
        std::getline(fields, fixture, '\t');
        std::getline(fields, path, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, sha, '\t');
        if (fixture.empty()) continue;
        result[fixture].push_back({path, std::stoull(size), sha});
    }
    return result;
}

std::string CabFixturePath(const std::string& name) {
    return DataPath("cab/" + name);
}

CabRun::CabRun(const std::string& archive, const std::string& destination)
    : reader(std::make_unique<TUnCab>()) {
    reader->SetArchiveFile(archive);
    reader->SetExtractDir(destination);
    reader->FileSpec = {"*"};
    reader->CreateStoredDirs = true;
    reader->OnError = [this](TZipCommon&, const std::string& f, const std::string& m,
                             const std::string&, int code) {
        errors.push_back({f, m, code});
    };
    reader->OnEnd = [this](TZipCommon&, const std::string& name, bool pass) {
        verdicts.emplace_back(name, pass);
    };
    reader->OnNextVolume = [this](TZipCommon&, std::string& volume, int, bool exists,
                                  bool& cancel) {
        asked.push_back(volume);
        cancel = !exists || !acceptNext;
    };
}

int CabRun::Count(int code) const {
    return static_cast<int>(std::count_if(errors.begin(), errors.end(),
                                          [code](const CabReported& r) { return r.code == code; }));
}

std::string CabRun::ErrorText() const {
    std::string text;
    for (const auto& e : errors)
        text += std::to_string(e.code) + " " + e.fileName + " " + e.extended + "\n";
    return text;
}

} // namespace sorvane::test
