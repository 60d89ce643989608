// A whole ACE extraction of the input (fuzz/ExtractRig.h) through the ACE
// module: nothing may be written outside its destination.
#include "archive/ace/arxUnAce.h"
#include "fuzz/ExtractRig.h"
#include "platform/LoadedModule.h"

#ifndef ACE_FUZZ_MODULE
#error "ACE_FUZZ_MODULE names the ACE module to load"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvane;
    // Held for the whole process: the reader's own load and release of the
    // module per run then never unmaps it (an instrumented module's counters
    // must stay where the fuzzer found them).
    static TLoadedModule keeper;
    if (!keeper.Loaded() && !keeper.Load(ACE_FUZZ_MODULE)) std::abort();
    return fuzz::FuzzExtract<TUnACE>("ace", data, size, [](TUnACE& reader) {
        reader.ModuleFile = ACE_FUZZ_MODULE;
        reader.OnGetPassword = [](TZipCommon&, const std::string&, std::string& password, bool&) {
            password = "secret";
        };
    });
}
