// A fresh extracting reader for an archive kind.
#include "tests/archive/NewReaderFor.h"

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

namespace sorvane::test {

std::unique_ptr<TUnBase> NewReaderFor(TArcType type, const std::string& aceModule) {
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
    if (picked == &gzip) return std::make_unique<TUnGZip>();
    if (picked == &rar) return std::make_unique<TUnRar>();
    if (picked == &arc) return std::make_unique<TUnArc>();
    if (picked == &cab) return std::make_unique<TUnCab>();
    if (picked == &ace) {
        auto reader = std::make_unique<TUnACE>();
        reader->ModuleFile = aceModule;
        return reader;
    }
    return nullptr;
}

} // namespace sorvane::test
