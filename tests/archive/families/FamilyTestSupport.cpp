// Shared pieces of the family tables.
#include "tests/archive/families/FamilyTestSupport.h"

#include "archive/ace/arxUnAce.h"
#include "archive/arc/arxUnArc.h"
#include "archive/arj/arxUnArj.h"
#include "archive/arxArxon.h"
#include "archive/cab/arxUnCab.h"
#include "archive/gzip/arxUnGZip.h"
#include "archive/lha/arxUnLha.h"
#include "archive/rar/arxUnRar.h"
#include "archive/tar/arxUnTar.h"
#include "archive/zip/arxUnZip.h"
#include "archive/zoo/arxUnZoo.h"
#include "tests/archive/NewReaderFor.h"

#include <cstdlib>
#include <ctime>

namespace sorvane::test {

FamilyRun::FamilyRun(const std::string& archive, const std::string& destination) {
    TRegisterArxon detection;
    detection.SetArchiveFile(archive);
    reader = NewReaderFor(detection.ArcType, ACE_MODULE_PATH);
    if (!reader) return;
    // A gzipped tar comes out as the tar's members, as the page gives it.
    if (auto* gzip = dynamic_cast<TUnGZip*>(reader.get()))
        gzip->OnNestedTarFile = [](TZipCommon&, const std::string&, bool& doUnTar) {
            doUnTar = true;
        };
    reader->SetArchiveFile(archive);
    reader->SetExtractDir(destination);
    reader->FileSpec = {"*"};
    reader->UseStoredDirs = true;
    reader->CreateStoredDirs = true;
    reader->OnError = [this](TZipCommon&, const std::string& name, const std::string&,
                             const std::string&, int code) { errors.emplace_back(name, code); };
    reader->OnNextVolume = [](TZipCommon&, std::string&, int, bool exists, bool& cancel) {
        cancel = !exists;
    };
}

int FamilyRun::Count(int code) const {
    int n = 0;
    for (const auto& error : errors)
        n += error.second == code ? 1 : 0;
    return n;
}

std::string FamilyRun::Text() const {
    std::string text;
    for (const auto& [name, code] : errors)
        text += std::to_string(code) + " " + name + "\n";
    return text;
}

void FamilyTest::SetUpTestSuite() {
    SetRarModuleFolder(SORVANE_MODULE_DIR);
    LoadCabinetLibrary(SORVANE_MODULE_DIR);
}

ZoneScope::ZoneScope(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
        had_ = true;
        saved_ = old;
    }
    ::setenv("TZ", zone, 1);
    ::tzset();
}

ZoneScope::~ZoneScope() {
    if (had_)
        ::setenv("TZ", saved_.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

} // namespace sorvane::test
