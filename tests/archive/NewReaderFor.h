// A fresh extracting reader for an archive kind, picked by the library's own
// kind-to-reader table, as the extraction page picks one.
#pragma once

#include "archive/arxUnBase.h"

#include <memory>
#include <string>

namespace sorvane::test {

// Nothing when no reader extracts the kind. The ACE reader loads its module
// from `aceModule`.
std::unique_ptr<TUnBase> NewReaderFor(TArcType type, const std::string& aceModule);

} // namespace sorvane::test
