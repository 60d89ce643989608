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

#include <cstdlib>
#include <ctime>

namespace sorvane::test {
namespace {

std::unique_ptr<TUnBase> ReaderFor(TArcType type) {
    TUnZip zip;
    TUnJar jar;
    TUnARJ arj;
    TUnZoo zoo;
    TUnLha lha;
    TUnTar tar;
    TUnGZip gzip;
    TUnACE ace;
    TUnRar rar;
    TUnArc arc;
    TUnCab cab;
    TArxonReaders readers{&zip, &jar, &arj, &zoo, &lha, &tar, &gzip, &ace, &rar, &arc, &cab};
    TUnBase* picked = ReaderForKind(readers, type);
    if (picked == &zip) return std::make_unique<TUnZip>();
    if (picked == &jar) return std::make_unique<TUnJar>();
    if (picked == &arj) return std::make_unique<TUnARJ>();
    if (picked == &zoo) return std::make_unique<TUnZoo>();
    if (picked == &lha) return std::make_unique<TUnLha>();
    if (picked == &tar) return std::make_unique<TUnTar>();
    if (picked == &rar) return std::make_unique<TUnRar>();
    if (picked == &arc) return std::make_unique<TUnArc>();
    if (picked == &cab) return std::make_unique<TUnCab>();
    if (picked == &gzip) {
        auto reader = std::make_unique<TUnGZip>();
        reader->OnNestedTarFile = [](TZipCommon&, const std::string&, bool& doUnTar) {
            doUnTar = true;
        };
        return reader;
    }
    if (picked == &ace) {
        auto reader = std::make_unique<TUnACE>();
        reader->ModuleFile = ACE_MODULE_PATH;
        return reader;
    }
    return nullptr;
}

} // namespace

FamilyRun::FamilyRun(const std::string& archive, const std::string& destination) {
    TRegisterArxon detection;
    detection.SetArchiveFile(archive);
    reader = ReaderFor(detection.ArcType);
    if (!reader) return;
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
