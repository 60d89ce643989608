// Shared pieces of the ACE reader tests.
#include "tests/archive/ace/AceTestSupport.h"

#include "tests/archive/ArchiveTestSupport.h"

namespace sorvane::test {

AceRun::AceRun(const std::string& archive, const std::string& destination,
               const std::string& module)
    : reader(std::make_unique<TUnACE>()) {
    reader->ModuleFile = module;
    reader->SetArchiveFile(archive);
    reader->SetExtractDir(destination + "/");
    reader->FileSpec = {"*"};
    reader->UseStoredDirs = true;
    reader->CreateStoredDirs = true;
    reader->OnError = [this](TZipCommon&, const std::string& fileName, const std::string& extended,
                             const std::string&, int code) {
        errors.push_back({fileName, extended, code});
    };
    reader->OnEnd = [this](TZipCommon&, const std::string& fileName, bool passed) {
        verdicts.emplace_back(fileName, passed);
    };
    reader->OnNextVolume = [this](TZipCommon&, std::string&, int, bool exists, bool& cancel) {
        ++volumeAsks;
        cancel = !exists;
    };
}

int AceRun::Count(int code) const {
    int n = 0;
    for (const AceReported& r : errors)
        n += r.code == code ? 1 : 0;
    return n;
}

std::string AceRun::ErrorText() const {
    std::string text;
    for (const AceReported& r : errors)
        text += std::to_string(r.code) + " " + r.fileName + " (" + r.extended + ")\n";
    return text;
}

std::string CopyFixture(const std::string& relative, const std::string& folder,
                        const std::string& as) {
    const std::string source =
        relative.find('/') == std::string::npos ? "ace/" + relative : relative;
    std::string name = as;
    if (name.empty()) name = source.substr(source.find_last_of('/') + 1);
    const std::string target = folder + "/" + name;
    WriteBytes(target, FixtureBytes(source));
    return target;
}

} // namespace sorvane::test
